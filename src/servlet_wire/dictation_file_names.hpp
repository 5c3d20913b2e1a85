#pragma once
// The names of a dictation's files on the wire: "Local_<utteranceID>" and an extension. These are
// the only file names a servlet takes from or gives to a client.
#include <string>
#include <string_view>

namespace vz::servlet_wire {

// "Local_<utteranceID>": the root every file of the dictation shares.
std::string DictationFileRoot(std::string_view utteranceID);
std::string DictationFileRoot(long utteranceID);
// "Local_<utteranceID><extension>", the extension given with its dot (".pcm").
std::string DictationFileName(std::string_view utteranceID, std::string_view extension);
std::string DictationFileName(long utteranceID, std::string_view extension);

// True for "Local_<utteranceID>.<ext>" with a decimal utteranceID and one to four letters or digits
// as <ext>; anything else could name a path outside the dictation's own files.
bool IsDictationFileName(std::string_view name, std::string_view utteranceID);

}  // namespace vz::servlet_wire
