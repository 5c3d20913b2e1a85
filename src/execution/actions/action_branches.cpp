#include <array>

#include "execution/actions/action_branch.hpp"

namespace vz {

const ActionBranch* BranchFor(Action action) {
  static const std::array<const ActionBranch*, 63> byAction = [] {
    std::array<const ActionBranch*, 63> index{};
    for (const auto family : {MainLoopBranches(), LoginAndInstitutionBranches(), ReferenceDataListBranches(),
                              ReferenceDataTemplateBranches(), DictationOperationsBranches(), SourceControlBranches()}) {
      for (const ActionBranch& branch : family) index[static_cast<size_t>(IdOf(branch.action))] = &branch;
    }
    return index;
  }();
  const std::int32_t id = IdOf(action);
  return id >= 0 && id < static_cast<std::int32_t>(byAction.size()) ? byAction[static_cast<size_t>(id)] : nullptr;
}

}  // namespace vz
