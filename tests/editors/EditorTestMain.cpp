// The editors register themselves as the program does at start-up; each test
// then opens them through ValueEntry::Edit.
#include "DialogScript.h"
#include "editors/ValueEditors.h"

#include <gtest/gtest.h>

#include <commctrl.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    editors::RegisterValueEditors();
    test::OwnerWindow();
    int result = RUN_ALL_TESTS();
    editors::UnregisterValueEditors();
    return result;
}
