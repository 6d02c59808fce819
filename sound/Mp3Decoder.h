// Decodes a whole MP3 file into memory with libmpg123, exactly as long as its encoder meant.
#pragma once

#include <filesystem>
#include <string>
#include <variant>

#include "Pcm.h"

namespace korvanta {

// Either the decoded audio or a one-line reason why the file could not be decoded.
using DecodeResult = std::variant<Pcm, std::string>;

// Decodes `path` completely; never throws for bad input.
DecodeResult decodeMp3(const std::filesystem::path& path);

// Decodes MP3 bytes held in memory; the fuzzer and the file path share this.
DecodeResult decodeMp3Bytes(const unsigned char* data, size_t size);

}  // namespace korvanta
