#pragma once
// The live registry as the merge preview reads it: keys opened for reading
// only, values and names through the wide functions.

#include <windows.h>

#include "framework/Handles.h"
#include "regedit/MergePreview.h"

namespace regedit {

class SystemRegistry : public LiveRegistry {
public:
    LiveRead ReadKey(const std::u16string& path, LiveKey& out, ReadProblem& problem, uint32_t& systemError) override;
    // Upper case as the registry compares names, beyond ASCII too.
    std::u16string Fold(std::u16string_view name) const override;

private:
    HANDLE Token();
    fw::UniqueKernelHandle token_;
    bool tokenTried_ = false;
};

}  // namespace regedit
