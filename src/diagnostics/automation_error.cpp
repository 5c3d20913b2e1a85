#include "diagnostics/automation_error.hpp"

#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

namespace vz {

AutomationError::AutomationError(long number, std::string description, std::string source, int line)
    : std::runtime_error(description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)),
      line_(line) {}

void Raise(long number, std::string description, std::string source, std::source_location where) {
  throw AutomationError(number, std::move(description), std::move(source), static_cast<int>(where.line()));
}

void RaiseServerError(std::string description, std::string source, std::source_location where) {
  Raise(kServerDetectedError, std::move(description), std::move(source), where);
}

AutomationError CurrentErrorAsAutomationError(int line) {
  try {
    throw;
  } catch (const AutomationError& error) {
    if (error.Line() != 0 || line == 0) return error;
    return AutomationError(error.Number(), error.Description(), error.Source(), line);
  } catch (const std::bad_alloc&) {
    return AutomationError(7, "Out of memory", {}, line);
  } catch (const std::filesystem::filesystem_error& error) {
    return AutomationError(75, std::string("Path/File access error: ") + error.what(), {}, line);
  } catch (const std::system_error& error) {
    return AutomationError(75, std::string("Path/File access error: ") + error.what(), {}, line);
  } catch (const std::exception& error) {
    return AutomationError(5, error.what(), {}, line);
  } catch (...) {
    return AutomationError(5, "Unknown error", {}, line);
  }
}

}  // namespace vz
