#pragma once
// The connection values a client-services object is initialised with, one struct per kind of
// object, its fields in the order the object takes them. Fields that mean the same in several
// kinds have the same name (url, login, password, downloadPath, workQueueMode, useMTReview), so
// that a call can read them from whichever kind it was given.
#include <cstdint>
#include <string>
#include <variant>

namespace vz {

// Most objects: the servlet, the credentials and the location as text.
// Every text field starts empty, so a designated initializer may leave any of them out.
struct ConnectionInit {
  std::string url{}, login{}, password{}, locationID{};
};

// The institution-information object: the information servlet and the location asked about.
struct InformationInit {
  std::string url{}, location{}, login{}, password{};
};

// The work-queue object.
struct WorkQueueInit {
  std::string url{};
  std::int16_t retrieveLocked = 0;
  std::int16_t retrieveLocation = -1;
  std::string login{}, password{};
  std::int16_t numToRetrieve = -1;
  std::int16_t workQueueMode = 0;
  std::string rdrTranscriptionist{}, includeViewing{}, includeViewed{}, rdrReviewer{};
  bool useMTReview = false;
};

// The audio and text download objects.
struct DownloadInit {
  std::string url{}, downloadPath{}, login{}, password{};
  std::int16_t workQueueMode = 0;
  bool useMTReview = false;
};

// The upload object. How the dictation was worked on (closing audio speed, time open) travels
// only when exactly one dictation is uploaded; otherwise they are empty.
struct UploadInit {
  std::string url{}, downloadPath{}, login{}, password{}, clientVersion{}, closingAudioSpeed{}, timeOpen{};
  std::int16_t workQueueMode = 0;
  bool useMTReview = false;
};

// The source-control object: the operation and everything it carries besides the dictations.
struct SourceControlInit {
  std::string url{};
  std::int16_t operation = 0;
  std::string login{}, password{};
  bool usePendingReasons = false;
  std::string pendingNote{}, machineID{};
  std::int16_t workQueueMode = 0;
  std::string splitPendingNote{};
  bool useMTReview = false;
};

using ServiceInit = std::variant<ConnectionInit, InformationInit, WorkQueueInit, DownloadInit, UploadInit, SourceControlInit>;

// The values as the Init trace shows them, in order, ", " between them; any value equal to the
// password as asterisks.
std::string InitTrace(const ServiceInit& init);

// The servlet and the credentials every kind carries.
const std::string& UrlOf(const ServiceInit& init);
const std::string& LoginOf(const ServiceInit& init);
const std::string& PasswordOf(const ServiceInit& init);

}  // namespace vz
