// SPDX-License-Identifier: Apache-2.0
// Cview_server: the live view's web server (cpp-httplib).
//
//   GET  /                the page (and /view.css, /view.js, /favicon.svg)
//   GET  /stream.mjpg     the live picture, multipart/x-mixed-replace JPEGs
//   GET  /frame.jpg       the newest picture
//   GET  /api/camera      the camera's identity
//   GET  /api/settings    every knob with its limits and value
//   POST /api/settings    NAME=VALUE&... (form-encoded): change knobs
//   GET  /api/status      frame statistics, histograms, rates, the running job
//   POST /api/auto        kind=exposure|gain|white-balance
//   POST /api/stop        stops the running procedure or save
//   GET  /api/save        ?format=png|tiff&frames=N&overlay=0|1: a picture file
//
// Safe by default: request headers and bodies are bounded, paths outside
// this list get 404, path traversal and malformed values 400, a wrong
// method 405. On a loopback address the Host header must name it (no page
// of another site can reach the view through DNS rebinding), and a POST
// from a page of another origin is refused, so the camera cannot be
// changed from elsewhere. Each stream holds one worker thread; the number
// of streams is bounded and the rest of the pool stays free for requests.
#ifndef KMXCAP_VIEW_SERVER_H
#define KMXCAP_VIEW_SERVER_H

#include <memory>
#include <string>
#include <thread>

#include "frame_hub.h"
#include "live_capture.h"
#include "view_controls.h"
#include "view_encoder.h"

namespace kmxcap {

struct Cview_identity {
    std::string vendor;
    std::string product;
    std::string library;       // the camera library's file
    unsigned serial = 0;
    unsigned camera_id = 0;
    unsigned camera_index = 0;
    unsigned width = 0;        // full sensor size
    unsigned height = 0;
    bool colour = false;
};

// Streams served at once; a further one is answered 503.
constexpr unsigned max_view_streams = 8;

class Cview_server {
public:
    Cview_server(Clive_capture& capture, Cframe_hub& hub, const Cencoder_thread& encoder,
                 const Cframe_mailbox& frames, const Cview_controls& controls,
                 Cview_identity identity);
    ~Cview_server();
    Cview_server(const Cview_server&) = delete;
    Cview_server& operator=(const Cview_server&) = delete;

    // Binds host:port (port 0: any free one); false with the reason.
    bool bind(const std::string& host, int port, std::string& why);
    // The port bound.
    int port() const { return bound_port; }
    // "http://127.0.0.1:8080/" ([host] for IPv6 addresses).
    std::string url() const;
    // Serves on a thread of its own until stop().
    void start();
    // Stops listening and waits for every connection to end; the hub must
    // be closed first so that streams end.
    void stop();

private:
    class Cimpl;
    std::unique_ptr<Cimpl> impl;
    std::string host;
    int bound_port = 0;
    std::thread listener;
};

// Whether a listen address is a loopback address (127.x.x.x, ::1,
// localhost).
bool is_loopback_host(const std::string& host);

} // namespace kmxcap

#endif
