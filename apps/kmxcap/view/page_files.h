// SPDX-License-Identifier: Apache-2.0
// The live view's page (HTML, CSS, JavaScript from page/), compiled into
// the tool so that it works offline and from any directory. The table is
// generated at build time by embed_page.cmake.
#ifndef KMXCAP_PAGE_FILES_H
#define KMXCAP_PAGE_FILES_H

#include <cstddef>
#include <string>

namespace kmxcap {

struct Cpage_file {
    const char* path;          // as requested: "/", "/view.js", ...
    const char* content_type;
    const unsigned char* data;
    size_t size;
};

// The file served at `path`, or null when there is none.
const Cpage_file* page_file(const std::string& path);

} // namespace kmxcap

#endif
