// Opening plain or gzip-compressed files as library handles.
#pragma once

#include <string>

// Opens `path` for reading as a kelvo handle. A gzip-compressed file is inflated by a
// thread into a pipe whose reading end becomes the handle. Returns the handle, or -1
// with `error` set.
int open_input(const std::string &path, std::string &error);

// Closes a handle from open_input and waits for its inflating thread; false when the
// compressed data was damaged.
bool close_input(int handle, std::string &error);
