// Turns a DocModel into a Word 97-2003 binary document: the WordDocument,
// 1Table and Data streams (file information block, text as one Unicode
// piece, formatting pages, style sheet, font table, section, headers and
// footers, fields, bookmarks, lists) inside a compound file.
//
// Raises std::runtime_error only when the file cannot be written.
#pragma once

#include <string>

#include "wordsave/native/doc_model.h"

namespace quillon::native {

struct DocStreams {
  std::string word_document;
  std::string table;
  std::string data;
};

DocStreams BuildDocStreams(const DocModel& model);

// The complete compound file image.
std::string BuildDocFile(const DocModel& model);

// Writes BuildDocFile to `path` (replacing a file there).
void SaveDocFile(const DocModel& model, const std::string& path);

enum class PictureKind { kPng, kJpeg, kEmf, kWmf };

// The kind of a picture file from its first bytes; false when the engine
// cannot embed it. A Windows metafile may start with its placeable header.
bool DetectPicture(const std::string& blob, PictureKind* kind);

// A zlib stream (RFC 1950) holding `data` in stored deflate blocks.
std::string ZlibStored(const std::string& data);

// Appends a picture record for an inline picture to the model's Data stream
// and returns its offset, the operand of the picture-location sprm. Width
// and height are in twips. Metafiles go in a zlib container; a placeable
// header in front of a Windows metafile is replaced by the record's bounds.
uint32_t AppendPicture(DocModel& model, const std::string& blob, PictureKind kind, int width,
                       int height);

}  // namespace quillon::native
