// SPDX-License-Identifier: Apache-2.0
// Image files: PNG through libpng, TIFF through libtiff, each written to a
// temporary file in the destination's directory and renamed into place
// only when the run has succeeded, so an abort or a failure never leaves a
// half-written file under the name the user asked for.
#ifndef KMXCAP_WRITERS_H
#define KMXCAP_WRITERS_H

#include <string>

#include "picture.h"
#include "status.h"

namespace kmxcap {

enum class Efile_kind { png, tiff };

// The kind named by the path's extension (.png, .tif, .tiff, any case).
bool file_kind_of(const std::string& path, Efile_kind& kind);

// Writes the picture in the given kind: 8-bit samples when it has up to 8
// significant bits, else 16-bit. PNG records the significant bits (sBIT),
// TIFF the largest sample value. fast: the quickest compression, for
// streams.
Cstatus write_picture(const Cpicture& picture, const std::string& path, Efile_kind kind,
                      bool fast);

// A file that appears under its final name only on commit(). Until then it
// lives under a unique temporary name next to it; the destructor removes
// the temporary file if it was never committed.
class Cpending_file {
public:
    explicit Cpending_file(std::string final_path);
    ~Cpending_file();
    Cpending_file(const Cpending_file&) = delete;
    Cpending_file& operator=(const Cpending_file&) = delete;
    Cpending_file(Cpending_file&& other) noexcept;
    Cpending_file& operator=(Cpending_file&&) = delete;

    // Reserves the temporary name (creates the empty file).
    Cstatus open();
    const std::string& temp_path() const { return temp; }
    const std::string& final_path() const { return target; }
    // Renames the temporary file to the final name.
    Cstatus commit();
    // Removes the temporary file now.
    void discard();

private:
    std::string target;
    std::string temp;
    bool committed = false;
};

// Writes the picture under a pending name.
Cstatus write_pending(const Cpicture& picture, Cpending_file& file, bool fast);

} // namespace kmxcap

#endif
