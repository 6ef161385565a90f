#include "frontend/gzip_text.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace mpdetect {

bool is_gzip(const std::string& bytes) {
  return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
         static_cast<unsigned char>(bytes[1]) == 0x8b;
}

bool gunzip(const std::string& bytes, size_t limit, std::string& text, std::string& error) {
  text.clear();
  z_stream stream{};
  // 15 + 16: a window of 32 KiB, gzip's header and trailer.
  if (inflateInit2(&stream, 15 + 16) != Z_OK) {
    error = "cannot start decompressing";
    return false;
  }
  const unsigned char* next = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t left = bytes.size();
  char buffer[65536];
  bool damaged = false;
  bool member_open = true;  // a member begun and not yet ended
  while (left > 0 && !damaged) {
    const size_t chunk = std::min<size_t>(left, UINT_MAX);
    stream.next_in = const_cast<unsigned char*>(next);
    stream.avail_in = static_cast<unsigned>(chunk);
    int status = Z_OK;
    while (stream.avail_in > 0 && status == Z_OK) {
      stream.next_out = reinterpret_cast<unsigned char*>(buffer);
      stream.avail_out = sizeof buffer;
      status = inflate(&stream, Z_NO_FLUSH);
      if (status != Z_OK && status != Z_STREAM_END) {
        damaged = true;
        break;
      }
      text.append(buffer, sizeof buffer - stream.avail_out);
      if (text.size() > limit) {
        error = "larger than " + std::to_string(limit / (1024 * 1024)) + " MiB when decompressed";
        inflateEnd(&stream);
        return false;
      }
    }
    // Output still held back once the input is used up.
    while (!damaged && status == Z_OK && stream.avail_in == 0) {
      stream.next_out = reinterpret_cast<unsigned char*>(buffer);
      stream.avail_out = sizeof buffer;
      status = inflate(&stream, Z_NO_FLUSH);
      text.append(buffer, sizeof buffer - stream.avail_out);
      if (status == Z_BUF_ERROR || stream.avail_out != 0) break;
    }
    const size_t used = chunk - stream.avail_in;
    next += used;
    left -= used;
    member_open = status != Z_STREAM_END;
    // bgzip writes many members (and an empty one last): each in turn.
    if (!member_open && left > 0) {
      damaged = inflateReset(&stream) != Z_OK;
      member_open = true;
    }
  }
  inflateEnd(&stream);
  if (damaged || member_open) {
    text.clear();
    error = "its compressed data is damaged or cut short";
    return false;
  }
  return true;
}

}  // namespace mpdetect
