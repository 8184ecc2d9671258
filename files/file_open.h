// Opening a path for the file layer's readers and writers.
#pragma once

#include <cstdint>
#include <string>

// A file descriptor (-1 on failure) opened for reading (0) or writing (1,
// created when missing, never truncated: files are written whole through
// FileZerp_WriteFileAtPath instead); *error (when given) 0 on success, -43 when the file
// to be read does not exist, -1 on any other failure. The purpose is not read.
int FileZerp_OpenAFilePath(const std::string& path, int32_t readWrite, int32_t purpose, int16_t* error);
