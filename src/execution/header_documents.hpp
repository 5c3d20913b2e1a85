#pragma once
// The header documents of dictations: the servlet answers one XML document per dictation of the
// request's dictation list, and each well-formed one is kept beside the dictation's other files
// as its ".hd3", which the editor opens with the dictation.
#include <string>
#include <vector>

namespace vz {

class clsDatabaseRequest;

// For each answer, by dictation-list index, that is not empty: parse it; a parse error becomes
// the dictation's ErrorString ("Header XML Parse Error:", the reason, "At line: " + line and
// "Position: " + position on separate lines) and nothing is written; otherwise WriteHeader with
// the dictation's file root. Answers beyond the list, or for dictations no longer in the
// collection, are passed over.
void PersistSuccessfullyRetrievedHeader(clsDatabaseRequest& request, const std::vector<std::string>& answers);

// Replaces sFileRoot + ".hd3" with sXML, atomically; raises std::system_error when it cannot.
void WriteHeader(const std::string& sFileRoot, const std::string& sXML);

}  // namespace vz
