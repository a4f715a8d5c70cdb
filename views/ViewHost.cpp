#include "views/ViewHost.h"

#include "document/RegDocument.h"
#include "framework/CommandStates.h"
#include "framework/CommandTable.h"
#include "framework/Strings.h"
#include "resources/resource.h"

UINT ViewHost::RequestMessage() {
    static const UINT message = RegisterWindowMessageA("Quillon.ViewHost");
    return message;
}

LRESULT ViewHost::Ask(Request request, const void* data) const {
    if (!answerer) return 0;
    return SendMessageA(answerer, RequestMessage(), request, reinterpret_cast<LPARAM>(data));
}

void ViewHost::UpdateCommandStates() const { Ask(kRefreshStates); }

void ViewHost::UpdateTitle() const { Ask(kRefreshTitle); }

bool ViewHost::IsCommandEnabled(int id) const { return !states || states->IsEnabled(static_cast<UINT>(id)); }

int ViewHost::TrackPopup(HMENU popup, POINT screen) const {
    return fw::TrackPopupThrough(answerer, window, popup, screen);
}

void ViewHost::RunCommand(int id, HWND source) const {
    CommandRequest request{id, source};
    Ask(kRunCommand, &request);
}

HWND ViewHost::CommandSource() const { return commands ? commands->Source() : GetFocus(); }

bool ViewHost::EditValue(ValueEntry& value) const { return Ask(kEditValue, &value) != 0; }

bool ViewHost::ReadColumnWidths(size_t columns, std::vector<uint16_t>& widths) const {
    ColumnWidths request{columns, &widths};
    return Ask(kReadColumnWidths, &request) != 0;
}

void ViewHost::StoreColumnWidths(const std::vector<uint16_t>& widths) const {
    ColumnWidths request{widths.size(), const_cast<std::vector<uint16_t>*>(&widths)};
    Ask(kStoreColumnWidths, &request);
}

void TellStoppedMerge(HWND owner, ParseEnd end, size_t keys, const char* source) {
    std::string reason =
        end == ParseEnd::OutOfMemory ? fw::SystemMessage(ERROR_NOT_ENOUGH_MEMORY) : fw::LoadText(IDS_STOPPED_BY_USER);
    std::string text = fw::FormatText(IDS_MERGE_STOPPED, source, reason.c_str(), static_cast<unsigned>(keys));
    MessageBoxA(owner, text.c_str(), fw::LoadText(IDS_APP_NAME).c_str(), MB_OK | MB_ICONWARNING);
}
