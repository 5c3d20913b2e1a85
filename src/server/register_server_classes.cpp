#include "server/register_server_classes.hpp"

#include "execution/database_request.hpp"
#include "dictation/register_dictation_classes.hpp"
#include "server/request_queue.hpp"
#include "server/server_object.hpp"
#include "server/terminator.hpp"
#include "server/time_out_monitor.hpp"

namespace vz {

void RegisterServerClasses(ClassRegistry& registry) {
  RegisterDictationClasses(registry);
  registry.Add<clsZERUredoz>();
  registry.Add<clsDatabaseRequests>();
  registry.Add<clsDatabaseRequest>();
  registry.Add<clsDBRTerminator>();
  registry.Add<TimeOutMonitor>();
}

}  // namespace vz
