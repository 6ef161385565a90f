#include "frontend/gzip_text.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

namespace mpdetect {
namespace {

// One gzip member of `text`, as gzip and bgzip write them.
std::string member(const std::string& text) {
  z_stream stream{};
  EXPECT_EQ(deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string out(deflateBound(&stream, text.size()) + 64, '\0');
  stream.next_in = reinterpret_cast<unsigned char*>(const_cast<char*>(text.data()));
  stream.avail_in = static_cast<unsigned>(text.size());
  stream.next_out = reinterpret_cast<unsigned char*>(out.data());
  stream.avail_out = static_cast<unsigned>(out.size());
  EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

TEST(GzipText, MembersInTurnAsBgzipWritesThem) {
  std::string vcf = "##fileformat=VCFv4.2\n";
  for (int n = 0; n < 5000; ++n)
    vcf += "chr1\t" + std::to_string(n) + "\tsnp\tA\tG\t.\t.\t.\tGT\t0/1\n";
  const std::string half_one = vcf.substr(0, vcf.size() / 2), half_two = vcf.substr(vcf.size() / 2);
  struct Row {
    const char* what;
    std::string bytes;
    bool ok;
  };
  const std::string whole = member(half_one) + member(half_two) + member("");
  const Row rows[] = {
      {"one member", member(vcf), true},
      {"bgzip's blocks and its empty last one", whole, true},
      {"cut short", whole.substr(0, whole.size() / 2), false},
      {"cut in the last member's trailer", member(vcf).substr(0, member(vcf).size() - 3), false},
      {"damaged", member(vcf).replace(40, 8, "garbage!"), false},
      {"followed by bytes that are no member", member(vcf) + "tail", false},
  };
  for (const Row& row : rows) {
    EXPECT_TRUE(is_gzip(row.bytes)) << row.what;
    std::string text, error;
    EXPECT_EQ(gunzip(row.bytes, 1 << 26, text, error), row.ok) << row.what << ": " << error;
    EXPECT_EQ(row.ok ? text : error, row.ok ? vcf : "its compressed data is damaged or cut short")
        << row.what;
  }
  std::string text, error;
  EXPECT_FALSE(gunzip(member(vcf), 1000, text, error));
  EXPECT_EQ(error, "larger than 0 MiB when decompressed");
  EXPECT_FALSE(is_gzip(vcf));
  EXPECT_FALSE(is_gzip("\x1f"));
}

}  // namespace
}  // namespace mpdetect
