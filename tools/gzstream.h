// Opening plain or gzip-compressed input, from a file or standard input, as library handles.
#pragma once

#include <cstdint>
#include <string>

// Opens `path` for reading as a kelvo handle; "-" is standard input. gzip-compressed
// input, and input that is not a regular file, is fed by a thread into a pipe whose
// reading end becomes the handle. Returns the handle, or -1 with `error` set to one
// line ("is a directory", "Permission denied", ...). The process ignores SIGPIPE from
// then on: a feeding thread whose reader went away sees EPIPE and stops.
int open_input(const std::string &path, std::string &error);

// Closes a handle from open_input and ends its thread. False, with `error` set, when the
// input could not be read whole: compressed data cut short, damaged or followed by
// something else, or a read error. `length` (if given) gets the number of bytes the
// input held, which is known when the handle was read to its end; -1 when it is not.
bool close_input(int handle, std::string &error, int64_t *length = nullptr);

// For progress: the bytes the input holds as stored (compressed bytes for gzip input),
// from its size; -1 when it is not a regular file. Then the bytes of it consumed so far.
int64_t input_size(int handle);
int64_t input_consumed(int handle);

// The inflater of gzip input: "ISA-L" where the tools were built with it, unless the
// environment variable KELVO_INFLATE is "zlib"; else "zlib".
const char *inflater_name();
