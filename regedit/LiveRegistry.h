#pragma once
// The live registry as the merge preview reads it: keys opened for reading
// only, values and names through the wide functions.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "framework/Handles.h"
#include "regedit/MergePreview.h"

namespace regedit {

class SystemRegistry : public LiveRegistry {
public:
    LiveRead ReadKey(const std::u16string& path, bool askWrite, LiveKey& out, ReadProblem& problem, uint32_t& systemError) override;
    LiveRead ReadSubkeys(const std::u16string& path, std::vector<std::u16string>& names, ReadProblem& problem,
                         uint32_t& systemError) override;
    // Upper case as the registry compares names, beyond ASCII too.
    std::u16string Fold(std::u16string_view name) const override;

private:
    static LiveRead Failure(LONG rc, ReadProblem& problem, uint32_t& systemError);
    bool MayWrite(HKEY key);
    HANDLE Token();
    std::vector<BYTE> descriptor_;
    std::map<std::string, bool> answers_;  // by security descriptor
    fw::UniqueKernelHandle token_;
    bool tokenTried_ = false;
};

}  // namespace regedit
