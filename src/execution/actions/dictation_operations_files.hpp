#pragma once
// What the dictation operations leave on disk: the settings files the editor reads (application
// features, QA grading and pending-reason criteria), the QA grading (".QAG") and pending-reason
// (".pr") documents of dictations, and the records that dictation information and permissions
// update. Each routine records what went wrong instead of raising, so that the completion that
// calls it always hands the request back to the pump.
#include <string>
#include <string_view>
#include <vector>

namespace vz {

class clsDatabaseRequest;

// AppPath/<name>_<InstitutionID>_<LocationID>_<Realm>.xml; empty (with `problem`) when the
// connection's values would lead the name out of the application folder.
std::string AppFeaturesFile(const clsDatabaseRequest& request, std::string_view name, std::string& problem);
// Writes `xml` as the settings file `name` in the indented layout of the server's XML files.
// False, with the reason in `problem` (also in the error log), when it is not XML or cannot be
// written.
bool WriteAppFeaturesToDisk(const clsDatabaseRequest& request, std::string_view name, const std::string& xml,
                            std::string& problem);

// One answer per entry of the request's dictation list, written whole to the file of the
// dictation at that index (file root + ".QAG" or ".pr"). Entries without an answer are left
// alone; nothing at all is traced as "No QAG files retrieved" / "No PRs files retrieved".
void WriteQAGFiles(clsDatabaseRequest& request, const std::vector<std::string>& answers);
void WritePRFiles(clsDatabaseRequest& request, const std::vector<std::string>& answers);
bool WriteQAGFile(clsDatabaseRequest& request, const std::string& utteranceID, const std::string& xml);
bool WritePRFile(clsDatabaseRequest& request, const std::string& utteranceID, const std::string& xml);

// The dictation a QA permission error names: in "... You may not view the errors for dictation
// version 3 of dictation: 42 ..." the leading digits of the trimmed text after the first
// "dictation:" that follows the first "version" (what follows the digits is the client's own
// marker). Empty (traced) when a marker is missing or no plain ID follows.
std::string DictationOfQAPermissionError(const std::string& errorText);
// Whether the empty grading file of a refusal may be written for `utteranceID`: a dictation of the
// request, or one without a grading file yet. A refusal naming another dictation must not replace
// a grading file its reviewer has not sent.
bool MayEmptyQAGFile(clsDatabaseRequest& request, const std::string& utteranceID);

// What the dictation information and permission answers change in the records.
enum class RecordUpdate { PendingNote, Permission };
// Parses the per-dictation answers and stores, in every dictation of the request that one of them
// names, its pending note or its MT review permission; each such record's configuration file is
// rewritten (made AppPath/Downloads/Local_<id>.cfg when the record had none).
void UpdateRecordsFromAnswers(clsDatabaseRequest& request, const std::vector<std::string>& answers, RecordUpdate what);

// The new dictation's ID in a split answer ("InfoResponse/UtteranceID"); empty, with the reason in
// the error log, when the answer is not XML or has no such element.
std::string SplitID(const std::string& xml);

}  // namespace vz
