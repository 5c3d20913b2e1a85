#pragma once
// clsGenericFile and clsGenericFiles: a list of files that goes with a generic request (templates),
// and the three parallel arrays of names, paths and identifiers that the servlet call is given.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/request_enums.hpp"
#include "object/automation_object.hpp"
#include "object/collection.hpp"
#include "object/value.hpp"

namespace vz {

class clsGenericFile : public AutomationObject<clsGenericFile> {
 public:
  static constexpr std::string_view kClassName = "clsGenericFile";
  static void Describe(ClassBuilder<clsGenericFile>& c);

  const std::string& FileName() const { return fileName_; }
  void SetFileName(std::string value) { fileName_ = std::move(value); }
  const std::string& FilePath() const { return filePath_; }
  void SetFilePath(std::string value) { filePath_ = std::move(value); }
  const std::string& FileID() const { return fileID_; }
  void SetFileID(std::string value) { fileID_ = std::move(value); }

 private:
  std::string fileName_;
  std::string filePath_;
  std::string fileID_;
};

class clsGenericFiles : public AutomationObject<clsGenericFiles> {
 public:
  static constexpr std::string_view kClassName = "clsGenericFiles";
  static void Describe(ClassBuilder<clsGenericFiles>& c);

  // Appends an empty file and returns it.
  std::shared_ptr<clsGenericFile> Add();
  std::int32_t Count() const { return files_.Count(); }
  std::shared_ptr<clsGenericFile> Item(const Value& Index) const;
  std::vector<std::shared_ptr<clsGenericFile>> Items() const { return {files_.begin(), files_.end()}; }
  void Remove(const Value& Index);

  GenericRequestFileType FileType() const { return fileType_; }
  void SetFileType(GenericRequestFileType type) { fileType_ = type; }

  // Fills FileNames, FilePaths and FileIDs (0-based) from the files in order. A file type other
  // than grftTemplate raises error -1 to the caller. An empty list leaves the arrays as they were.
  void CreateFileLists();
  const std::vector<std::string>& FileNames() const { return fileNames_; }
  const std::vector<std::string>& FileIDs() const { return fileIDs_; }
  const std::vector<std::string>& FilePaths() const { return filePaths_; }

 private:
  void CreateTemplateFileLists();

  Collection<std::shared_ptr<clsGenericFile>> files_;
  GenericRequestFileType fileType_ = GenericRequestFileType::grftTemplate;
  std::vector<std::string> fileNames_;
  std::vector<std::string> filePaths_;
  std::vector<std::string> fileIDs_;
};

}  // namespace vz
