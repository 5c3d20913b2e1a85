#include "model/register_model_classes.hpp"

#include "model/connect_info.hpp"
#include "model/generic_files.hpp"
#include "model/generic_request.hpp"
#include "model/generic_requests.hpp"
#include "model/parameters.hpp"
#include "model/request_spec.hpp"
#include "model/status_string.hpp"
#include "model/typed_collections.hpp"
#include "model/variant_collection.hpp"
#include "model/work_queue.hpp"
#include "model/xml_response.hpp"

namespace vz {

void RegisterModelClasses(ClassRegistry& registry) {
  // Creatable by clients: the request specification classes, the collections a client fills in,
  // the response holder and the status texts. The rest reach clients only as values.
  registry.Add<clsRequestSpec>();
  registry.Add<clsWorkQueue>();
  registry.Add<clsConnectInfo>();
  registry.Add<clsGenericRequests>();
  registry.Add<clsGenericRequest>();
  registry.Add<clsParameters>();
  registry.Add<clsParameter>();
  registry.Add<clsGenericFiles>();
  registry.Add<clsGenericFile>();
  registry.Add<clsCollectionOfStrings>();
  registry.Add<clsCollectionOfLongs>();
  registry.Add<VariantCollection>();
  registry.Add<clsXMLResponse>();
  registry.Add<clsStatusString>();
}

}  // namespace vz
