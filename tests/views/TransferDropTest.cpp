// Drops of another program's data objects onto the key tree and the value
// list: its plain text is refused, blocks under our format names that are
// short, unterminated, huge or of another kind change nothing, and a values
// payload adds only the values of its one key.
#include <gtest/gtest.h>

#include <ole2.h>

#include <cstring>
#include <vector>
#include <string>

#include "document/ByteSink.h"
#include "document/RegWriter.h"
#include "tests/ui/Harness.h"
#include "tests/views/ViewTestHost.h"
#include "transfer/KeyTreeDropTarget.h"
#include "transfer/TransferCommands.h"
#include "transfer/TransferFormats.h"
#include "transfer/ValueListDropTarget.h"

using namespace viewtest;

namespace {

const char kDoc[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Run]\r\n"
    "\"a\"=\"x\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\r\n\r\n";

// Another program's data object: blocks of exactly the given bytes (no zero
// added) as the clipboard hands them on.
IDataObject* Offered(const std::vector<std::pair<UINT, std::string>>& blocks) {
    harness::PlaceClipboardBlocks(blocks);
    IDataObject* data = nullptr;
    return OleGetClipboard(&data) == S_OK ? data : nullptr;
}

POINTL OnItem(TestHost& host, HTREEITEM item) {
    POINT p = host.ItemPoint(item);
    return {p.x, p.y};
}

std::string Saved(RegDocument& document) {
    MemorySink out;
    WriteDocument(document, out, false, kRegedit4);
    return std::string(out.Data(), out.Size());
}

}  // namespace

TEST(TransferDrop, ForeignAndMalformedDataChangesNothing) {
    TestHost host;
    ASSERT_TRUE(host.Load(kDoc));
    transfer::TransferCommands commands(host.services, host.tree, host.list, host.edit);
    auto* tree = new transfer::KeyTreeDropTarget(commands);
    auto* list = new transfer::ValueListDropTarget(commands, host.list);
    HTREEITEM run = host.Select("HKEY_CURRENT_USER\\Software\\Run");
    HTREEITEM other = host.tree.FindByPath("HKEY_CURRENT_USER\\Software\\Other");
    const std::string before = Saved(host.document);
    const UINT values = transfer::ValuesFormat(), path = transfer::KeyPathFormat(),
               branch = transfer::KeyBranchFormat();
    const std::string huge(16 << 20, 'A');

    struct Case { int line; std::vector<std::pair<UINT, std::string>> blocks; bool accepted; /* by the tree */ };
    const Case cases[] = {
        {__LINE__, {{CF_TEXT, std::string(kDoc) + '\0'}}, false},
        {__LINE__, {{path, "HKEY_CURRENT_USER\\Software\\Run"}, {branch, "REG"}}, true},
        {__LINE__, {{path, huge}, {branch, huge}}, true},
        {__LINE__, {{path, "HKEY_CURRENT_USER\\Software\\Run"}, {branch, "REGEDIT5\r\n\r\n[HKEY_CURRENT_USER\\Software\\Run]\r\n"}}, true},
        {__LINE__, {{path, "x"}, {branch, "hello, world"}}, true},
        {__LINE__, {{values, "hello"}}, true},
        {__LINE__, {{values, "R"}}, true},
        {__LINE__, {{values, huge}}, true},
    };
    for (const Case& c : cases) {
        IDataObject* data = Offered(c.blocks);
        ASSERT_NE(data, nullptr) << c.line;
        for (HTREEITEM item : {run, other}) {
            DWORD effect = DROPEFFECT_COPY;
            POINTL point = OnItem(host, item);
            EXPECT_EQ(tree->DragEnter(data, 0, point, &effect), c.accepted ? S_OK : S_FALSE) << c.line;
            EXPECT_EQ(effect, c.accepted ? DWORD{DROPEFFECT_COPY} : DWORD{DROPEFFECT_NONE}) << c.line;
            tree->DragOver(MK_CONTROL, point, &effect);
            EXPECT_EQ(effect, c.accepted ? DWORD{DROPEFFECT_MOVE} : DWORD{DROPEFFECT_NONE}) << c.line;
            tree->Drop(data, 0, point, &effect);
            list->DragEnter(data, 0, point, &effect);
            list->Drop(data, 0, point, &effect);
            EXPECT_FALSE(host.document.modified) << c.line;
            EXPECT_EQ(Saved(host.document), before) << c.line;
        }
        data->Release();
    }

    // Nothing is taken while the window is disabled under a load, save or search.
    IDataObject* good = Offered({{values, "REGEDIT4\r\n\r\n[A]\r\n\"v\"=\"1\"\r\n"}});
    ASSERT_NE(good, nullptr);
    EnableWindow(host.HostWindow(), FALSE);
    DWORD refused = DROPEFFECT_COPY;
    EXPECT_EQ(tree->DragEnter(good, 0, OnItem(host, other), &refused), S_FALSE);
    EXPECT_EQ(list->DragEnter(good, 0, OnItem(host, other), &refused), S_FALSE);
    EXPECT_EQ(refused, DWORD{DROPEFFECT_NONE});
    EnableWindow(host.HostWindow(), TRUE);
    good->Release();

    // A values payload with a second key line under it: only the first
    // key's values are added, the rest never reaches the saved file.
    IDataObject* more =
        Offered({{values, "REGEDIT4\r\n\r\n[A]\r\n\"v\"=\"1\"\r\n\r\n[HKEY_LOCAL_MACHINE\\Evil]\r\n\"w\"=\"2\"\r\n"}});
    ASSERT_NE(more, nullptr);
    DWORD effect = DROPEFFECT_COPY;
    POINTL point = OnItem(host, other);
    ASSERT_EQ(tree->DragEnter(more, 0, point, &effect), S_OK);
    tree->Drop(more, 0, point, &effect);
    more->Release();
    EXPECT_TRUE(host.document.modified);
    EXPECT_EQ(host.tree.Selected(), other);
    EXPECT_EQ(host.RowNames(), (std::vector<std::string>{"(Default)", "v"}));
    EXPECT_EQ(Saved(host.document).find("Evil"), std::string::npos);
    tree->Release();
    list->Release();
}
