#pragma once
// clsParameter and clsParameters: the name/value pairs a generic request sends to its servlet.
// Names compare exactly (case-sensitive); the keys of the collection, as in any keyed
// collection, do not, so "X" added after "x" is refused as a duplicate key.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/request_enums.hpp"
#include "object/automation_object.hpp"
#include "object/collection.hpp"
#include "object/value.hpp"

namespace vz {

class clsParameter : public AutomationObject<clsParameter> {
 public:
  static constexpr std::string_view kClassName = "clsParameter";
  static void Describe(ClassBuilder<clsParameter>& c);

  const std::string& ParmValue() const { return value_; }
  void SetParmValue(std::string value) { value_ = std::move(value); }
  const std::string& ParmName() const { return name_; }
  void SetParmName(std::string name) { name_ = std::move(name); }

 private:
  std::string value_;
  std::string name_;
};

class clsParameters : public AutomationObject<clsParameters> {
 public:
  static constexpr std::string_view kClassName = "clsParameters";
  static void Describe(ClassBuilder<clsParameters>& c);

  // Adds a parameter named sParmName. A name already present is dropped (nothing returned)
  // unless eIncrement is iitInc, which keys the new one name2, name3, ... The parameter's
  // ParmName is always the plain name.
  std::shared_ptr<clsParameter> Add(const std::string& sParmValue, const std::string& sParmName,
                                    std::optional<INDEX_INCREMENT_TYPE> eIncrement = std::nullopt);
  // Whether a parameter's name equals sParmName exactly.
  bool Exists(const std::string& sParmName) const;
  std::int32_t Count() const { return parameters_.Count(); }
  // By position or key; nothing after a trapped error.
  std::shared_ptr<clsParameter> Item(const Value& Index) const;
  std::vector<std::shared_ptr<clsParameter>> Items() const { return {parameters_.begin(), parameters_.end()}; }

 private:
  std::int32_t CountNamed(std::string_view name) const;

  Collection<std::shared_ptr<clsParameter>> parameters_;
};

}  // namespace vz
