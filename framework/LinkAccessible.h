#pragma once
// What a screen reader learns of a link control (fw::HyperLink): the static
// control's own accessible object tells its text as the name but calls it a
// piece of text; this one, laid over it, says it is a link that takes the
// focus, gives the address as its value and "Jump" as its default action,
// which opens the address.

#include <windows.h>

namespace fw {

// The registered message by which the object asks the control, which may be
// gone by then: wParam kLinkVisited (the result: nonzero when the address was
// opened) or kLinkActivate (opens it).
UINT LinkRequestMessage();
constexpr WPARAM kLinkVisited = 0;
constexpr WPARAM kLinkActivate = 1;

// The answer to the control's WM_GETOBJECT for its client object; 0 for any
// other object, or when none can be made, which the caller passes on.
LRESULT AnswerLinkAccessible(HWND control, WPARAM wParam, LPARAM objectId, const char* address);

}  // namespace fw
