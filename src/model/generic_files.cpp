#include "model/generic_files.hpp"

#include "diagnostics/automation_error.hpp"
#include "diagnostics/error_trap.hpp"
#include "diagnostics/trace.hpp"

namespace vz {

void clsGenericFile::Describe(ClassBuilder<clsGenericFile>& c) {
  using C = clsGenericFile;
  c.Property("FileName", &C::FileName, &C::SetFileName)
      .Property("FilePath", &C::FilePath, &C::SetFilePath)
      .Property("FileID", &C::FileID, &C::SetFileID);
}

std::shared_ptr<clsGenericFile> clsGenericFiles::Add() {
  return ErrorTrap(kClassName, "Add")([&] { return files_.Add(std::make_shared<clsGenericFile>()); });
}

std::shared_ptr<clsGenericFile> clsGenericFiles::Item(const Value& Index) const {
  return ErrorTrap(kClassName, "Item")([&] { return files_.ItemByIndex(Index); });
}

void clsGenericFiles::Remove(const Value& Index) {
  ErrorTrap(kClassName, "Remove")([&] { files_.RemoveByIndex(Index); });
}

void clsGenericFiles::CreateFileLists() {
  // No trap here: the caller must learn that it asked for a kind of list that does not exist.
  if (fileType_ != GenericRequestFileType::grftTemplate) {
    RaiseServerError("Unexpected clsGenericFiles.FileType: " + std::to_string(static_cast<std::int32_t>(fileType_)));
  }
  CreateTemplateFileLists();
}

void clsGenericFiles::CreateTemplateFileLists() {
  ErrorTrap(kClassName, "CreateTemplateFileLists")([&] {
    if (files_.Empty()) return;
    std::vector<std::string> names;
    std::vector<std::string> paths;
    std::vector<std::string> ids;
    for (const auto& file : files_) {
      GlobalTrace("clsGenericFiles.CreateTemplateFileLists",
                  "m_sarrFileNames(" + std::to_string(names.size()) + ")=" + file->FileName(), kTraceDetail);
      names.push_back(file->FileName());
      paths.push_back(file->FilePath());
      ids.push_back(file->FileID());
    }
    fileNames_ = std::move(names);
    filePaths_ = std::move(paths);
    fileIDs_ = std::move(ids);
  });
}

void clsGenericFiles::Describe(ClassBuilder<clsGenericFiles>& c) {
  using C = clsGenericFiles;
  c.Operation("Add", &C::Add)
      .Property("Count", &C::Count)
      .Property("Item", &C::Item, {"Index"})
      .NewEnum(&C::Items)
      .Operation("Remove", &C::Remove, {"Index"})
      .Property("FileType", &C::FileType, &C::SetFileType)
      .Operation("CreateFileLists", &C::CreateFileLists)
      .Property("FileNames", &C::FileNames)
      .Property("FileIDs", &C::FileIDs)
      .Property("FilePaths", &C::FilePaths);
}

}  // namespace vz
