#include <array>

#include "execution/actions/action_branch.hpp"

namespace vz {

const ActionBranch* BranchFor(std::int32_t action) {
  static const std::array<const ActionBranch*, 63> byAction = [] {
    std::array<const ActionBranch*, 63> index{};
    for (const auto family : {MainLoopBranches(), LoginAndInstitutionBranches(), ReferenceDataListBranches(),
                              ReferenceDataTemplateBranches(), DictationOperationsBranches(), SourceControlBranches()}) {
      for (const ActionBranch& branch : family) {
        if (branch.action >= 0 && branch.action < static_cast<std::int32_t>(index.size())) index[static_cast<size_t>(branch.action)] = &branch;
      }
    }
    return index;
  }();
  if (action < 0 || action >= static_cast<std::int32_t>(byAction.size())) return nullptr;
  return byAction[static_cast<size_t>(action)];
}

}  // namespace vz
