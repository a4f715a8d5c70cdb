#include <gtest/gtest.h>

#include "resources/resource.h"
#include "tests/ui/Harness.h"
#include "tests/views/ViewTestHost.h"

using namespace viewtest;

namespace {

const char kNested[] =
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Vendor\\App]\r\n\"Name\"=\"app\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Console]\r\n\"Size\"=dword:00000010\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Vendor]\r\n\"Company\"=\"v\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Other\\Leaf]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Vendor\\App\\Plugins]\r\n\r\n"
    "[HKEY_CURRENT_USER\\Console\\Cmd]\r\n\r\n"
    "[hkey_local_machine\\SOFTWARE\\vendor\\Tools]\r\n\r\n";

// Once every branch has been opened, the tree is the document.
void ExpectTreeMatchesDocument(TestHost& host, int line) {
    SCOPED_TRACE(testing::Message() << "from line " << line);
    EXPECT_EQ(ExpandedTreeKeys(host.tree.Hwnd()), DocumentKeys(host.document));
    // Every key knows its item and every item its key.
    ForEachKey(host.document.roots, [&](KeyNode* key) {
        EXPECT_TRUE(key->viewItem && host.tree.KeyOf(static_cast<HTREEITEM>(key->viewItem)) == key) << key->name;
    });
}

int ChildrenCount(HWND tree, HTREEITEM item) {
    TVITEMA tvi{};
    tvi.mask = TVIF_CHILDREN | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    tvi.hItem = item;
    if (!TreeView_GetItem(tree, &tvi)) return -1;
    // Every item carries image 0 and selected image 1.
    EXPECT_EQ(tvi.iImage, 0);
    EXPECT_EQ(tvi.iSelectedImage, 1);
    return tvi.cChildren;
}

}  // namespace

TEST(KeyTree, RebuildShowsTopLevelKeysUnexpandedAndAfterAClearDropsTheOldItemsAndTheList) {
    TestHost host;
    ASSERT_TRUE(host.Load(kNested + std::string("[HKEY_USERS]\r\n\r\n")));
    HWND tree = host.tree.Hwnd();
    std::vector<std::pair<int, std::string>> tops = {
        {0, "HKEY_LOCAL_MACHINE"}, {0, "HKEY_CURRENT_USER"}, {0, "HKEY_USERS"}};
    EXPECT_EQ(TreeKeys(tree), tops);  // no items below them yet
    EXPECT_EQ(host.tree.Selected(), nullptr);
    std::vector<int> buttons;
    for (HTREEITEM i = TreeView_GetRoot(tree); i; i = TreeView_GetNextSibling(tree, i)) {
        EXPECT_FALSE(TreeView_GetItemState(tree, i, TVIS_EXPANDED) & TVIS_EXPANDED);
        buttons.push_back(ChildrenCount(tree, i));
    }
    EXPECT_EQ(buttons, (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(host.document.roots[0]->firstChild->viewItem, nullptr);
    ExpectTreeMatchesDocument(host, __LINE__);

    ASSERT_NE(host.Select("HKEY_CURRENT_USER\\Console"), nullptr);
    EXPECT_GT(ListView_GetItemCount(host.list.Hwnd()), 0);
    // A load clears the document before the tree is rebuilt: the tree's old
    // items then point at freed keys and must not be read.
    host.document.Clear();
    ASSERT_TRUE(host.Load("REGEDIT4\r\n\r\n[HKEY_USERS\\Only]\r\n\r\n"));
    ExpectTreeMatchesDocument(host, __LINE__);
    EXPECT_EQ(ListView_GetItemCount(host.list.Hwnd()), 0);
    EXPECT_EQ(host.list.Key(), nullptr);
    EXPECT_EQ(host.StatusText(), "");
}

TEST(KeyTree, ExpandingFillsChildrenOnceInChildListOrderAndEnsureItemAddsMissingParentsLast) {
    TestHost host;
    ASSERT_TRUE(host.Load(kNested));
    HWND tree = host.tree.Hwnd();
    HTREEITEM hklm = TreeView_GetRoot(tree);
    KeyNode* software = host.document.roots[0]->firstChild;
    for (int round = 0; round < 3; ++round) {
        // The user's expand (the button, the keyboard) and the view's own.
        if (round == 1)
            host.tree.ToggleExpand(hklm);
        else
            TreeView_Expand(tree, hklm, TVE_EXPAND);
        EXPECT_TRUE(TreeView_GetItemState(tree, hklm, TVIS_EXPANDED) & TVIS_EXPANDED);
        EXPECT_EQ(TreeView_GetCount(tree), 3u) << "round " << round;
        TreeView_Expand(tree, hklm, TVE_COLLAPSE);
    }
    ASSERT_NE(software->viewItem, nullptr);
    HTREEITEM item = static_cast<HTREEITEM>(software->viewItem);
    EXPECT_EQ(ChildrenCount(tree, item), 1);
    TreeView_Expand(tree, item, TVE_EXPAND);
    EXPECT_EQ(host.ChildNames("HKEY_LOCAL_MACHINE\\Software"), (std::vector<std::string>{"Vendor", "Other"}));
    EXPECT_EQ(software->firstChild->firstChild->viewItem, nullptr);  // Vendor's App

    // A key without an item gets one, its missing parents theirs, placed last.
    auto* branch = new (host.document.keys, std::nothrow) KeyNode("New Branch", host.document.roots[0]);
    auto* leaf = new (host.document.keys, std::nothrow) KeyNode("Leaf", branch);
    HTREEITEM made = host.tree.EnsureItem(leaf);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(host.tree.KeyOf(made), leaf);
    EXPECT_NE(branch->viewItem, nullptr);
    ExpectTreeMatchesDocument(host, __LINE__);
}

TEST(KeyTree, PathLookupsReadTheDocumentAndCompareWithoutCase) {
    TestHost host;
    ASSERT_TRUE(host.Load(kNested));
    // Nothing expanded: the keys below the top level have no items yet.
    std::vector<std::string> leaves;
    host.tree.LeafPaths(leaves);
    std::vector<std::string> expected = {
        "HKEY_LOCAL_MACHINE\\Software\\Vendor\\App\\Plugins",
        "HKEY_LOCAL_MACHINE\\Software\\Vendor\\Tools",
        "HKEY_LOCAL_MACHINE\\Software\\Other\\Leaf",
        "HKEY_CURRENT_USER\\Console\\Cmd",
    };
    EXPECT_EQ(leaves, expected);
    EXPECT_EQ(TreeView_GetCount(host.tree.Hwnd()), 2u);
    KeyNode* plugins = host.tree.FindKeyByPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App\\Plugins");
    ASSERT_NE(plugins, nullptr);
    EXPECT_EQ(plugins->viewItem, nullptr);
    // The item of a key in a collapsed branch is made, its ancestors expanded.
    HTREEITEM item = host.tree.FindByPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App\\Plugins");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(plugins->viewItem, item);
    for (KeyNode* k = plugins->parent; k; k = k->parent)
        EXPECT_TRUE(TreeView_GetItemState(host.tree.Hwnd(), static_cast<HTREEITEM>(k->viewItem), TVIS_EXPANDED) &
                    TVIS_EXPANDED)
            << k->name;
    struct Case { const char* path; bool found; const char* canonical; } cases[] = {
        {"HKEY_LOCAL_MACHINE\\Software\\Vendor\\App", true, "HKEY_LOCAL_MACHINE\\Software\\Vendor\\App"},
        {"hkey_local_machine\\SOFTWARE\\vendor\\app\\plugins", true,
         "HKEY_LOCAL_MACHINE\\Software\\Vendor\\App\\Plugins"},
        {"HKEY_CURRENT_USER", true, "HKEY_CURRENT_USER"},
        {"HKEY_LOCAL_MACHINE\\Software\\Missing\\App", false, ""},
        {"HKEY_LOCAL_MACHINE\\Software\\Vendor\\App\\Plugins\\Deeper", false, ""},
        {"", false, ""},
        {"HKEY_LOCAL_MACHINE\\Software\\Vendo", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        HTREEITEM item = host.tree.FindByPath(c.path);
        EXPECT_EQ(item != nullptr, c.found);
        if (!item) continue;
        std::string path;
        host.tree.PathOf(item, path);
        EXPECT_EQ(path, c.canonical);
    }
    HTREEITEM software = host.tree.FindByPath("HKEY_LOCAL_MACHINE\\Software");
    EXPECT_TRUE(host.tree.HasChildNamed(software, "VENDOR"));
    EXPECT_FALSE(host.tree.HasChildNamed(software, "Vend"));
    EXPECT_TRUE(host.tree.HasChildNamed(nullptr, "hkey_current_user"));
    leaves.clear();
    host.tree.LeafPaths(leaves);
    EXPECT_EQ(leaves, expected);
}

TEST(KeyTree, RenameInPlaceStoresTypedNameAndEscapeKeepsTheOld) {
    TestHost host;
    ASSERT_TRUE(host.Load(kNested));
    HTREEITEM app = host.tree.FindByPath("HKEY_LOCAL_MACHINE\\Software\\Vendor\\App");
    KeyNode* key = host.tree.KeyOf(app);
    ASSERT_NE(key, nullptr);

    {
        // A sibling's name, in any letters, would make two keys of one path.
        harness::Answerer ok(IDOK);
        ASSERT_TRUE(host.RenameKey(app, "TOOLS"));
    }
    EXPECT_STREQ(key->name, "App");
    EXPECT_FALSE(host.document.modified);
    ASSERT_TRUE(host.RenameKey(app, "Kit"));
    EXPECT_STREQ(key->name, "Kit");
    EXPECT_EQ(host.ChildNames("HKEY_LOCAL_MACHINE\\Software\\Vendor"), (std::vector<std::string>{"Kit", "Tools"}));
    EXPECT_TRUE(host.document.modified);
    EXPECT_EQ(host.Caption(), "Untitled*-Quillon");
    EXPECT_FALSE(host.tree.IsEditingLabel());

    host.document.modified = false;
    ASSERT_TRUE(host.RenameKey(app, "Cancelled", true));
    EXPECT_STREQ(key->name, "Kit");
    EXPECT_FALSE(host.document.modified);

    // Top-level items may be renamed too.
    HTREEITEM root = TreeView_GetRoot(host.tree.Hwnd());
    ASSERT_TRUE(host.RenameKey(root, "HKEY_CLASSES_ROOT"));
    EXPECT_STREQ(host.document.roots[0]->name, "HKEY_CLASSES_ROOT");
}

TEST(KeyTree, ContextMenuTargetsItemUnderPointerAndShowsExpandStateOnlyForAKeyWithChildren) {
    TestHost host;
    ASSERT_TRUE(host.Load(kNested));
    HWND tree = host.tree.Hwnd();
    HTREEITEM console = host.tree.FindByPath("HKEY_CURRENT_USER\\Console");
    HTREEITEM hkcu = host.tree.FindByPath("HKEY_CURRENT_USER");
    HTREEITEM leaf = host.tree.FindByPath("HKEY_LOCAL_MACHINE\\Software\\Other\\Leaf");
    host.tree.SelectItem(leaf);
    TreeView_Expand(tree, hkcu, TVE_EXPAND);
    Pump();

    // A collapsed item with children, never expanded (no child items): Expand, bold.
    ASSERT_EQ(TreeView_GetChild(tree, console), nullptr);
    host.KeyMenu(host.ItemPoint(console), ID_TREE_EXPAND);
    ASSERT_FALSE(host.lastMenu.empty()) << "tree menu resource missing";
    ASSERT_NE(host.MenuItem(ID_TREE_EXPAND), nullptr);
    EXPECT_TRUE(host.MenuItem(ID_TREE_EXPAND)->isDefault);
    EXPECT_TRUE(TreeView_GetItemState(tree, console, TVIS_EXPANDED) & TVIS_EXPANDED);
    HTREEITEM cmd = TreeView_GetChild(tree, console);
    ASSERT_NE(cmd, nullptr);
    // Now expanded: the entry reads as collapse.
    host.KeyMenu(host.ItemPoint(console), 0);
    ASSERT_NE(host.MenuItem(ID_TREE_EXPAND), nullptr);
    EXPECT_EQ(host.MenuItem(ID_TREE_EXPAND)->text, "Collapse");
    EXPECT_TRUE(host.MenuItem(ID_TREE_EXPAND)->isDefault);
    // A leaf: no Expand entry. The selection stays where it was.
    host.KeyMenu(host.ItemPoint(cmd), ID_EDIT_DELETE);
    EXPECT_EQ(host.MenuItem(ID_TREE_EXPAND), nullptr);
    host.KeyMenu(host.ItemPoint(console), ID_EDIT_DELETE);
    ASSERT_EQ(host.keyCommands.size(), 2u);
    EXPECT_EQ(host.keyCommands[1].first, ID_EDIT_DELETE);
    EXPECT_EQ(host.keyCommands[1].second, console);
    EXPECT_EQ(host.tree.Selected(), leaf);
    // Every choice runs as a command of the table, with the item under the pointer.
    host.KeyMenu(host.ItemPoint(console), ID_EDIT_NEW_STRING);
    EXPECT_EQ(host.keyCommands.back(), (std::pair<int, HTREEITEM>{ID_EDIT_NEW_STRING, console}));
    EXPECT_EQ(host.tree.CommandItem(), leaf);
    // Entries follow the command states.
    host.DisableCommands({ID_EDIT_NEW_KEY, ID_EDIT_COPY_KEY_NAME});
    host.KeyMenu(host.ItemPoint(console), 0);
    ASSERT_NE(host.MenuItem(ID_EDIT_NEW_KEY), nullptr);
    EXPECT_FALSE(host.MenuItem(ID_EDIT_NEW_KEY)->enabled);
    EXPECT_FALSE(host.MenuItem(ID_EDIT_COPY_KEY_NAME)->enabled);
    ASSERT_NE(host.MenuItem(ID_EDIT_DELETE), nullptr);
    EXPECT_TRUE(host.MenuItem(ID_EDIT_DELETE)->enabled);

    // An empty tree: no Expand entry, and Rename is greyed without a key, so
    // choosing it runs nothing.
    host.DisableCommands({});
    host.document.Clear();
    ASSERT_TRUE(host.Load("REGEDIT4\r\n\r\n"));
    size_t ran = host.keyCommands.size();
    host.KeyMenu(POINT{-1, -1}, ID_EDIT_RENAME);
    ASSERT_FALSE(host.lastMenu.empty());
    EXPECT_EQ(host.MenuItem(ID_TREE_EXPAND), nullptr);
    EXPECT_EQ(host.keyCommands.size(), ran);
}
