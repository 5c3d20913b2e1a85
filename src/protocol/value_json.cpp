#include "protocol/value_json.hpp"

#include <cmath>
#include <limits>

#include "object/class_info.hpp"

namespace vz::protocol {

Json ToJson(const Value& value, HandleTable& handles) {
  switch (value.GetType()) {
    case Value::Type::Empty:
    case Value::Type::Missing:
      return nullptr;
    case Value::Type::Boolean:
      return value.ToBoolean();
    case Value::Type::Integer:
    case Value::Type::Long:
      return value.ToLong();
    case Value::Type::Double: {
      const double number = value.ToDouble();
      if (!std::isfinite(number)) return nullptr;  // JSON has no infinities
      return number;
    }
    case Value::Type::String:
      return value.String();
    case Value::Type::Array: {
      Json items = Json::array();
      for (const Value& item : value.ArrayItems()) items.push_back(ToJson(item, handles));
      return items;
    }
    case Value::Type::Object: {
      const ObjectRef& object = value.ObjectReference();
      if (!object) return nullptr;
      return Json{{"$handle", handles.HandleOf(object)}, {"$class", object->Class().Name()}};
    }
  }
  return nullptr;
}

Value FromJson(const Json& json, const HandleTable& handles) {
  switch (json.type()) {
    case Json::value_t::null:
    case Json::value_t::discarded:
      return Value();
    case Json::value_t::boolean:
      return Value(json.get<bool>());
    case Json::value_t::number_integer: {
      const auto number = json.get<std::int64_t>();
      if (number >= std::numeric_limits<std::int32_t>::min() && number <= std::numeric_limits<std::int32_t>::max()) {
        return Value(static_cast<std::int32_t>(number));
      }
      return Value(static_cast<double>(number));
    }
    case Json::value_t::number_unsigned: {
      const auto number = json.get<std::uint64_t>();
      if (number <= static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        return Value(static_cast<std::int32_t>(number));
      }
      return Value(static_cast<double>(number));
    }
    case Json::value_t::number_float:
      return Value(json.get<double>());
    case Json::value_t::string:
      return Value(json.get<std::string>());
    case Json::value_t::array: {
      Value::Array items;
      items.reserve(json.size());
      for (const Json& item : json) items.push_back(FromJson(item, handles));
      return Value(std::move(items));
    }
    case Json::value_t::object: {
      const auto handle = json.find("$handle");
      if (handle == json.end() || !handle->is_number_integer()) {
        InvalidParams("an object value must be {\"$handle\": N}");
      }
      ObjectRef object = handles.Find(handle->get<std::int64_t>());
      if (!object) InvalidParams("unknown handle " + handle->dump());
      return Value(std::move(object));
    }
    case Json::value_t::binary:
      break;
  }
  InvalidParams("a value of an unsupported kind");
}

}  // namespace vz::protocol
