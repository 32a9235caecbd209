// The exports that work on images: a captured signature to a bitmap file,
// and a bitmap file to the terminal's image bytes or upload.
#include <cstring>

#include "client/api/client_platform.hpp"
#include "client/api/export_calls.hpp"
#include "client/imaging/image_upload.hpp"
#include "client/imaging/sign_bitmap.hpp"

namespace kavorin {
namespace {

std::string_view Text(const char* text) { return text == nullptr ? std::string_view() : std::string_view(text); }

}  // namespace

int SignDataToBmpExport(const char* index, const char* catId, const char* cardNum, const char* seqNum,
                        const char* signData, const char* filePath) {
  const std::string old_type_key = ReadOldTypeMasterKey();
  imaging::SignBmpRequest request;
  request.index = Text(index);
  request.cat_id = Text(catId);
  request.card_number = Text(cardNum);
  request.sequence_number = Text(seqNum);
  request.sign_data = Text(signData);
  request.file_path = Text(filePath);
  request.old_type_master_key = old_type_key;
  return imaging::SignDataToBmp(request);
}

int GetBitMapDataExport(const char* path, char* buffer) {
  if (buffer == nullptr) return kNullBuffer;
  return imaging::GetBitmapData(std::string(Text(path)),
                                {reinterpret_cast<std::uint8_t*>(buffer), imaging::kImageMaxBytes});
}

int UploadImageExport(const char* path) {
  imaging::ImageUpload upload;
  if (imaging::PrepareImageUpload(std::string(Text(path)), upload) != 0) return -1;
  return FreeStylePrintExport(55, upload.length_text, upload.hex);
}

}  // namespace kavorin
