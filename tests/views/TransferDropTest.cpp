// Drops of data objects of the test's own onto the key tree and the value
// list: another program's plain text is refused, blocks under our format
// names that are short, unterminated, huge or of another kind change
// nothing, and a values payload adds only the values of its one key.
#include <gtest/gtest.h>

#include <ole2.h>

#include <cstring>
#include <map>
#include <string>

#include "document/ByteSink.h"
#include "document/RegWriter.h"
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

// Offers blocks of exactly the given bytes (no zero added), as another
// program's data object may.
class OfferedData : public IDataObject {
public:
    explicit OfferedData(std::map<UINT, std::string> blocks) : blocks_(std::move(blocks)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        bool mine = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject);
        *out = mine ? this : nullptr;
        return mine ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override {
        auto it = blocks_.find(format->cfFormat);
        if (it == blocks_.end()) return DV_E_FORMATETC;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, it->second.size());
        if (!block) return E_OUTOFMEMORY;
        if (!it->second.empty()) {
            memcpy(GlobalLock(block), it->second.data(), it->second.size());
            GlobalUnlock(block);
        }
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = block;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override {
        return blocks_.count(format->cfFormat) ? S_OK : DV_E_FORMATETC;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    std::map<UINT, std::string> blocks_;
};

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
    const std::string text = std::string(kDoc) + '\0';

    struct Case {
        int line;
        std::map<UINT, std::string> blocks;
        bool accepted;  // by the tree's DragEnter
    };
    const Case cases[] = {
        {__LINE__, {{CF_TEXT, text}}, false},
        {__LINE__, {{path, "HKEY_CURRENT_USER\\Software\\Run"}, {branch, "REG"}}, true},
        {__LINE__, {{path, huge}, {branch, huge}}, true},
        {__LINE__, {{path, "HKEY_CURRENT_USER\\Software\\Run"}, {branch, "REGEDIT5\r\n\r\n[HKEY_CURRENT_USER\\Software\\Run]\r\n"}}, true},
        {__LINE__, {{path, "x"}, {branch, "hello, world"}}, true},
        {__LINE__, {{values, "hello"}}, true},
        {__LINE__, {{values, "R"}}, true},
        {__LINE__, {{values, huge}}, true},
    };
    for (const Case& c : cases) {
        for (HTREEITEM item : {run, other}) {
            OfferedData data(c.blocks);
            DWORD effect = DROPEFFECT_COPY;
            POINTL point = OnItem(host, item);
            EXPECT_EQ(tree->DragEnter(&data, 0, point, &effect), c.accepted ? S_OK : S_FALSE) << c.line;
            EXPECT_EQ(effect, c.accepted ? DWORD{DROPEFFECT_COPY} : DWORD{DROPEFFECT_NONE}) << c.line;
            tree->DragOver(MK_CONTROL, point, &effect);
            EXPECT_EQ(effect, c.accepted ? DWORD{DROPEFFECT_MOVE} : DWORD{DROPEFFECT_NONE}) << c.line;
            tree->Drop(&data, 0, point, &effect);
            list->DragEnter(&data, 0, point, &effect);
            list->Drop(&data, 0, point, &effect);
            EXPECT_FALSE(host.document.modified) << c.line;
            EXPECT_EQ(Saved(host.document), before) << c.line;
        }
    }

    // Nothing is taken while the window is disabled under a load, save or search.
    OfferedData good({{values, "REGEDIT4\r\n\r\n[A]\r\n\"v\"=\"1\"\r\n"}});
    EnableWindow(host.HostWindow(), FALSE);
    DWORD refused = DROPEFFECT_COPY;
    EXPECT_EQ(tree->DragEnter(&good, 0, OnItem(host, other), &refused), S_FALSE);
    EXPECT_EQ(list->DragEnter(&good, 0, OnItem(host, other), &refused), S_FALSE);
    EXPECT_EQ(refused, DWORD{DROPEFFECT_NONE});
    EnableWindow(host.HostWindow(), TRUE);

    // A values payload with a second key line under it: only the first
    // key's values are added, the rest never reaches the saved file.
    OfferedData more({{values, "REGEDIT4\r\n\r\n[A]\r\n\"v\"=\"1\"\r\n\r\n[HKEY_LOCAL_MACHINE\\Evil]\r\n\"w\"=\"2\"\r\n"}});
    DWORD effect = DROPEFFECT_COPY;
    POINTL point = OnItem(host, other);
    ASSERT_EQ(tree->DragEnter(&more, 0, point, &effect), S_OK);
    tree->Drop(&more, 0, point, &effect);
    EXPECT_TRUE(host.document.modified);
    EXPECT_EQ(host.tree.Selected(), other);
    EXPECT_EQ(host.RowNames(), (std::vector<std::string>{"(Default)", "v"}));
    EXPECT_EQ(Saved(host.document).find("Evil"), std::string::npos);
    tree->Release();
    list->Release();
}
