// SPDX-License-Identifier: Apache-2.0
// The colour-filter pattern of a camera's raw mosaic, as its camera
// library reads it.
//
// The camera-library contract has no call that names the pattern, but
// every camera library turns its own raw frames into colour when asked to
// copy them in a colour format, and to do so it must know which sample of
// each 2 x 2 cell is red and which is blue. Comparing that copy of the
// frame with the raw samples shows the pattern the library used.
#ifndef KMXCAP_MOSAIC_PHASE_H
#define KMXCAP_MOSAIC_PHASE_H

#include "picture.h"

class Cdevice;

namespace kmxcap {

// The pattern the camera library uses for the raw frame in pool record
// `record`, whose samples `raw` holds as delivered (one channel,
// significant_bits deep). Ecfa::none when the library will not copy the
// frame in colour, or the frame cannot tell (a flat or saturated one
// compares alike under every pattern).
Ecfa reported_mosaic_pattern(Cdevice& device, unsigned record, const Cpicture& raw);

// Of the four patterns, the one whose red and blue places agree best with
// an 8-bit colour copy: `copy` holds RGB triples of the cells at
// (left + 2i, top + 2j), i < cells_across, j < cells_down; `raw` the raw
// samples. Ecfa::none when two patterns agree equally well.
Ecfa best_matching_pattern(const Cpicture& raw, unsigned left, unsigned top,
                           unsigned cells_across, unsigned cells_down,
                           const std::vector<unsigned char>& copy, unsigned copy_rowbytes);

} // namespace kmxcap

#endif
