// The about box's link control as a screen reader sees it, in this process.
#include <windows.h>
#include <oleacc.h>

#include <gtest/gtest.h>

#include <string>

#include "framework/HyperLink.h"
#include "tests/ui/Harness.h"

namespace {

std::wstring Take(BSTR text) {
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
}

// Its name is its text, its role a link's, its value the address, its
// default action a jump; it takes the focus.
TEST(HyperLink, ScreenReadersSeeALinkWithItsTextAndAddress) {
    CoInitialize(nullptr);
    HWND host = harness::PlainWindow("QuillonLinkHost", "", WS_OVERLAPPEDWINDOW);
    HWND control = CreateWindowExA(0, "Static", "Home page", WS_CHILD | WS_VISIBLE | SS_NOTIFY | WS_TABSTOP, 10, 10,
                                   100, 20, host, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(control);
    {
        fw::HyperLink link;
        ASSERT_TRUE(link.Attach(control, "https://www.orvane.com/quillon/"));
        IAccessible* object = nullptr;
        ASSERT_EQ(AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                             reinterpret_cast<void**>(&object)),
                  S_OK);
        ASSERT_TRUE(object);
        VARIANT self{};
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
        BSTR text = nullptr;
        EXPECT_EQ(object->get_accName(self, &text), S_OK);
        EXPECT_EQ(Take(text), L"Home page");
        VARIANT role{};
        EXPECT_EQ(object->get_accRole(self, &role), S_OK);
        EXPECT_EQ(role.lVal, ROLE_SYSTEM_LINK);
        text = nullptr;
        EXPECT_EQ(object->get_accValue(self, &text), S_OK);
        EXPECT_EQ(Take(text), L"https://www.orvane.com/quillon/");
        text = nullptr;
        EXPECT_EQ(object->get_accDefaultAction(self, &text), S_OK);
        EXPECT_EQ(Take(text), L"Jump");
        VARIANT state{};
        EXPECT_EQ(object->get_accState(self, &state), S_OK);
        EXPECT_TRUE(state.lVal & STATE_SYSTEM_FOCUSABLE);
        EXPECT_TRUE(state.lVal & STATE_SYSTEM_LINKED);
        EXPECT_FALSE(state.lVal & STATE_SYSTEM_TRAVERSED);
        object->Release();
    }
    DestroyWindow(host);
    CoUninitialize();
}

}  // namespace
