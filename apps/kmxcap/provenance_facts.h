// SPDX-License-Identifier: Apache-2.0
// The facts of a picture's provenance as one ordered list, so that PNG
// text, the TIFF description and the JSON sidecar say the same things
// under the same names.
#ifndef KMXCAP_PROVENANCE_FACTS_H
#define KMXCAP_PROVENANCE_FACTS_H

#include <string>
#include <vector>

#include "writers.h"

namespace kmxcap {

enum class Efact_type { text, number, flag };

struct Cfact {
    const char* key;    // JSON member name: "exposure_us"
    const char* label;  // PNG keyword, description label: "Exposure Time (us)"
    std::string text;   // the value as written in text ("yes"/"no" for flags)
    Efact_type type;
    double number;      // numbers and flags (1, 0): the value itself, for JSON
};

// Every fact of the picture and its provenance, in a fixed order; facts
// that do not apply (white balance of a grey picture, the frame number
// outside streams, an unknown pixel pitch) are left out.
std::vector<Cfact> provenance_facts(const Cpicture& picture, const Cprovenance& provenance);

// "Label: value" lines, one per fact: the TIFF ImageDescription.
std::string facts_description(const std::vector<Cfact>& facts);

// An ISO-8601 time ("2024-05-01T14:03:07.123+02:00") in TIFF's DateTime
// form ("2024:05:01 14:03:07"); empty when the text is no such time.
std::string tiff_date_time(const std::string& iso8601);

} // namespace kmxcap

#endif
