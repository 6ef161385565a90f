// Compressed inputs: a file written by gzip or bgzip (the form labs keep VCF
// files in: `.vcf.gz`, a series of gzip members) read as its text. The core
// reads text only; the front end that reads files undoes the compression.
//
// zlib (Debian's zlib1g-dev) inflates the members one after another; htslib
// would read the same files but adds a library of its own for what is here
// one loop, and reads nothing else mpplan needs.
#pragma once

#include <cstddef>
#include <string>

namespace mpdetect {

// Whether `bytes` begin as gzip data does (its two magic bytes).
bool is_gzip(const std::string& bytes);

// The text of gzip `bytes`, every member in turn, into `text`. False, with
// `error` ("damaged", or "larger than ..." past `limit` bytes of text), for
// data that is not whole gzip members or whose text passes `limit`.
bool gunzip(const std::string& bytes, size_t limit, std::string& text, std::string& error);

}  // namespace mpdetect
