#pragma once
// What a client-services call is given besides its object's connection values: the dictations it
// works on, the files it fetches, and its other values by the names the servlet knows them by.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "execution/dictation_list.hpp"

namespace vz {

// A template file of the request's file list.
struct TemplateFile {
  std::string fileID, fileName, filePath;
};

struct CallArguments {
  std::vector<DictationListEntry> dictations;
  std::vector<TemplateFile> templates;
  std::vector<std::string> dictionaries;
  std::map<std::string, std::string, std::less<>> named;

  // The value named `name` in any letter case, as the editor's parameter names are matched; ""
  // when the branch gave none.
  std::string Named(std::string_view name) const;
};

// Names of values that are not the servlet's parameters but tell the call where answers go.
namespace argument {
inline constexpr const char* kAnswerFile = "answerFile";        // the file an answer is saved as
inline constexpr const char* kTimestampFile = "timestampFile";  // the file the list's time stamp is saved in
inline constexpr const char* kDownloadFolder = "downloadFolder";
}  // namespace argument

}  // namespace vz
