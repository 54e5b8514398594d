#pragma once
// Builds jobs over real temporary trees for the run and comparison tests.

#include <string>
#include <vector>

#include "engine/Nebu.h"
#include "support/ScriptedHost.h"
#include "support/TempTree.h"

namespace nebu::test {

inline std::string DirArg(const std::string& path) {
    return path + "/";
}

// A job over the given folders with the window's defaults, plain files only,
// every size taken, nothing deleted.
inline void SetUpJob(TNebu& job, const std::vector<std::string>& sources,
                     const std::vector<std::string>& targets) {
    job.SrcDirs.Clear();
    job.DstDirs.Clear();
    for (const auto& s : sources) job.SrcDirs.Add(DirArg(s));
    for (const auto& t : targets) job.DstDirs.Add(DirArg(t));
    job.SizeMin = 0;
    job.SizeMax = 999999999;
    job.SrcMask = "*;";
    job.DstMask = "*;";
    job.SrcIgnore.clear();
    job.DstIgnore.clear();
    job.NoDelete = 1;
    job.DelConfirm = 0;
    job.ToRecycleBin = 0;
    job.SrcSubDir = 1;
    job.DstSubDir = 1;
}

inline std::vector<std::string> LinesContaining(const std::vector<std::string>& log,
                                                const std::string& needle) {
    std::vector<std::string> out;
    for (const auto& l : log) {
        if (l.find(needle) != std::string::npos) out.push_back(l);
    }
    return out;
}

}  // namespace nebu::test
