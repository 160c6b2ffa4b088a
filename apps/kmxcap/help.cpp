// SPDX-License-Identifier: Apache-2.0
// The --help text: every subcommand, flag, output rule and exit code.
#include "options.h"

namespace kmxcap {

const char* help_text()
{
    return R"(kmxcap - capture images from a kmx camera (the simulated camera by default)

Usage:
  kmxcap list [--camera-library NAME]
  kmxcap snap [flags]               one frame (retried on transfer errors)
  kmxcap average N [flags]          mean of N streamed 8-bit frames (--sum: clamped sum)
  kmxcap deep-average N [flags]     mean of N deep frames (--depth 10 or 12, default: deepest)
  kmxcap auto KIND [flags]          run the camera's automatic exposure, gain or
                                    white-balance, print the values it settled on,
                                    then take one frame (KIND: exposure, gain,
                                    white-balance)
  kmxcap stream N [flags]           N frames of continuous acquisition; prints frames
                                    per second; with --out every frame is written
  kmxcap --help
  kmxcap --version                  the version of kmxcap and of the kmxcore library

Camera:
  --camera ID[:INDEX]      camera to open (default: the first available)
  --camera-library NAME    camera library: sim (the default), aravis (GigE Vision
                           and USB3 Vision cameras; 3:0 is Aravis' fake camera) or
                           the file of any library with the kmx_ functions; the
                           environment variable KMX_CAMERA_LIBRARY does the same

Settings (refused values end the run with exit code 4):
  --depth 8|10|12          component depth (snap: deep frame; deep-average: depth summed)
  --order rgb|bgr          component order of 8-bit colour frames
  --bin | --preview        binned or preview readout
  --raw                    snap the camera's raw output (one 16-bit word per pixel;
                           colour cameras give their Bayer mosaic)
  --gain N                 gain index
  --black-level N          black level index
  --exposure US            exposure value in microseconds (set to the nearest index)
  --exposure-index N       exposure index (0..256: 10 us .. 100 ms)
  --red-gain N, --green-gain N, --blue-gain N
                           white-balance gain indexes (colour cameras)
  --red-boost on|off, --blue-boost on|off
  --gamma X                gamma (switches gamma correction on)
  --contrast N             contrast index (127 is neutral)
  --rate R                 capture frame-rate selector (0, 1 or 4)
  --live-rate R            live frame-rate selector (0, 1 or 4)
  --live                   capture at the live rate instead of the capture rate
  --invert on|off          camera-side inversion (monochrome cameras default to on)
  --test-mode              deterministic test pattern instead of the scene
  --retries N              retries of a failed frame (default 5)

Output:
  --out FILE               write the image: FILE.png (8 or 16 bit) or FILE.tif/.tiff
                           (8 or 16 bit). stream writes FILE-000001.png and so on.
                           Files appear only when the whole run succeeded.
  --overlay crosshair|grid draw the overlay into the 8-bit image first
  --pixel-values display|camera
                           display (default): monochrome pixels are written as the
                           library shows them on screen through its inverted grey
                           table, so with the default camera inversion bright light
                           gives high values; camera: exactly as delivered
  --scale16                scale 10/12-bit values to the full 16 bits (default: the
                           values as delivered, PNG files mark the significant bits)
  --stats                  print mean and standard deviation (per channel for colour)
  --stats-roi L,T,W,H      region of the statistics (default: the whole image)
  --roi L,T,W,H            region of auto white-balance (default: the whole image)
  --sum                    average: clamped sum instead of mean
  --no-progress            no progress bar (it is shown on a terminal for work
                           that takes more than a second)

Ctrl-C (and Escape, when stdin is a terminal) aborts the capture: no file is
left behind and the exit code is 7. A second Ctrl-C ends the program at once.

Diagnostics: KMX_LOG=camera:warn (or capture:debug, debug, ...) logs to stderr; a
failing camera-library call is named with its status on the error line.

Exit codes:
  0  success
  1  unexpected internal failure (e.g. out of memory)
  2  bad subcommand, flag or value
  3  camera library or camera not available
  4  a setting was refused by the camera
  5  the capture or automatic procedure failed
  6  an output file could not be written
  7  aborted by Ctrl-C, Escape or SIGTERM
)";
}

} // namespace kmxcap
