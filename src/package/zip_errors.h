// The ZIP component's exception classes. Every failure of reading or
// extracting an archive is raised as one of these, all derived from
// EUnZipException; their messages are the component's fixed texts.
#pragma once

#include <stdexcept>
#include <string>

namespace quillon {

class EUnZipException : public std::runtime_error {
 public:
  explicit EUnZipException(const std::string& message) : std::runtime_error(message) {}
};

// The archive cannot be opened: "Cannot open file <path>".
class EFOpenError : public EUnZipException {
 public:
  explicit EFOpenError(const std::string& path) : EUnZipException("Cannot open file " + path) {}
};

class EIncompleteZip : public EUnZipException {
 public:
  EIncompleteZip() : EUnZipException("Incomplete Zip File") {}
};

class EBadZipFile : public EUnZipException {
 public:
  EBadZipFile() : EUnZipException("Not a valid zip file!") {}
};

class EFatalUnzipError : public EUnZipException {
 public:
  EFatalUnzipError() : EUnZipException("Premature end of file reached") {}
};

class EBiggerThanUncompressed : public EUnZipException {
 public:
  EBiggerThanUncompressed() : EUnZipException("File is larger than uncompressed size!") {}
};

class ECantWriteUCF : public EUnZipException {
 public:
  ECantWriteUCF() : EUnZipException("Cant write uncompressed file") {}
};

class EZCompressionError : public EUnZipException {
 public:
  EZCompressionError() : EUnZipException("error") {}
};

// The archive's entries would expand past kMaxExtractedBytes in total.
class EZipTooLarge : public EUnZipException {
 public:
  EZipTooLarge() : EUnZipException("Archive would expand beyond 2 GiB; extraction refused") {}
};

}  // namespace quillon
