// SPDX-License-Identifier: Apache-2.0
#include "view_server.h"

#include <httplib.h>

#include "page_files.h"
#include "view_json.h"

namespace kmxcap {

namespace {

// Bodies are a few form fields; anything larger is refused (413).
constexpr size_t max_body_bytes = 16 * 1024;
// A client that sends nothing (or takes nothing) for this long is let go,
// so a stalled browser holds a thread for a few seconds at most.
constexpr time_t read_timeout_s = 5;
constexpr time_t write_timeout_s = 5;
constexpr time_t keep_alive_timeout_s = 2;
// Threads for everything but streams: the page, the API, a save.
constexpr unsigned request_threads = 6;
// How long a settings change or save may wait for the camera to be free.
constexpr std::chrono::milliseconds camera_patience{10000};
// A stream looks this often whether the view is closing while no frame
// comes (a long exposure, a procedure running).
constexpr std::chrono::milliseconds stream_poll{500};
// /frame.jpg waits this long for a picture.
constexpr std::chrono::milliseconds picture_wait{3000};
constexpr const char* boundary = "kmxframe";
constexpr const char* text_type = "text/plain; charset=utf-8";
constexpr const char* json_type = "application/json";

struct Croute {
    const char* path;
    const char* method;
};

constexpr Croute routes[] = {
    {"/", "GET"},           {"/view.css", "GET"},        {"/view.js", "GET"},
    {"/favicon.svg", "GET"}, {"/stream.mjpg", "GET"},    {"/frame.jpg", "GET"},
    {"/api/camera", "GET"}, {"/api/settings", "GET"},    {"/api/settings", "POST"},
    {"/api/status", "GET"}, {"/api/auto", "POST"},       {"/api/stop", "POST"},
    {"/api/save", "GET"},
};

// The methods a known path takes ("GET, HEAD"); empty for an unknown path.
std::string allowed_methods(const std::string& path)
{
    std::string allowed;
    for (const Croute& route : routes) {
        if (path != route.path)
            continue;
        if (!allowed.empty())
            allowed += ", ";
        allowed += route.method;
        if (std::string(route.method) == "GET")
            allowed += ", HEAD";
    }
    return allowed;
}

bool method_allowed(const std::string& path, const std::string& method)
{
    const std::string asked = method == "HEAD" ? "GET" : method;
    for (const Croute& route : routes)
        if (path == route.path && asked == route.method)
            return true;
    return false;
}

// A ".." segment, a backslash or a NUL in the decoded path: somebody is
// looking for files. There are none to find, but the answer says why.
bool traverses(const std::string& path)
{
    if (path.find('\\') != std::string::npos || path.find('\0') != std::string::npos)
        return true;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (path.compare(start, end - start, "..") == 0)
            return true;
        start = end + 1;
    }
    return false;
}

void answer_text(httplib::Response& res, int status, const std::string& text)
{
    res.status = status;
    // Refusals quote what was asked; a browser must show them as text.
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_content(text + "\n", text_type);
}

void answer_json(httplib::Response& res, int status, const Cjson& json)
{
    res.status = status;
    res.set_header("Cache-Control", "no-store");
    res.set_content(json.text(), json_type);
}

const char* reason_phrase(int status)
{
    switch (status) {
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 413: return "Payload Too Large";
    case 414: return "URI Too Long";
    case 416: return "Range Not Satisfiable";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    default: return "Error";
    }
}

int status_of(Eoutcome outcome)
{
    switch (outcome) {
    case Eoutcome::done: return 200;
    case Eoutcome::refused: return 422;
    case Eoutcome::stopped: return 409;
    case Eoutcome::failed: return 500;
    default: return 503;   // busy or closing: try again later
    }
}

bool to_count(const std::string& text, unsigned lowest, unsigned highest, unsigned& value)
{
    if (text.empty() || text.size() > 6)
        return false;
    unsigned result = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        result = result * 10 + static_cast<unsigned>(c - '0');
    }
    if (result < lowest || result > highest)
        return false;
    value = result;
    return true;
}

const char* channel_name(unsigned channels, unsigned c)
{
    static const char* const colours[] = {"R", "G", "B"};
    return channels == 1 ? "grey" : colours[c % 3];
}

void frame_json(const Cview_frame& frame, bool with_histograms, Cjson& json)
{
    json.begin_object()
        .member("number", static_cast<unsigned long long>(frame.number))
        .member("settings_version", static_cast<unsigned long long>(frame.settings_version))
        .member("width", frame.width)
        .member("height", frame.height)
        .member("encode_cpu_ms", frame.encode_cpu_ms);
    json.key("channels").begin_array();
    for (unsigned c = 0; c < frame.summaries.size(); ++c) {
        const Cchannel_summary& s = frame.summaries[c];
        json.begin_object()
            .member("name", channel_name(frame.channels, c))
            .member("mean", s.mean)
            .member("sd", s.deviation)
            .member("saturated", s.saturated);
        if (with_histograms) {
            json.key("histogram").begin_array();
            for (const uint32_t count : frame.histograms[c])
                json.value(count);
            json.end_array();
        }
        json.end_object();
    }
    json.end_array().end_object();
}

} // namespace

bool is_loopback_host(const std::string& host)
{
    return host == "localhost" || host == "::1" || host == "[::1]" || host.rfind("127.", 0) == 0;
}

class Cview_server::Cimpl {
public:
    Cimpl(Clive_capture& capture, Cframe_hub& hub, const Cencoder_thread& encoder,
          const Cframe_mailbox& frames, const Cview_controls& controls, Cview_identity identity)
        : capture(capture), hub(hub), encoder(encoder), frames(frames), controls(controls),
          identity(std::move(identity))
    {
        // httplib's default also sets SO_REUSEPORT, with which a second
        // view on the same port would bind too and silently take half of
        // the requests. SO_REUSEADDR alone lets a view restart at once on
        // the port it just left, and a port in use is refused.
        server.set_socket_options([](socket_t socket) {
            const int on = 1;
            setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        });
    }

    void configure(const std::string& host, int port);

    httplib::Server server;

private:
    httplib::Server::HandlerResponse screen(const httplib::Request& req,
                                            httplib::Response& res) const;
    bool host_allowed(const std::string& host_header) const;

    void page(const httplib::Request& req, httplib::Response& res) const;
    void stream(httplib::Response& res);
    void picture(httplib::Response& res);
    void camera_info(httplib::Response& res) const;
    void settings(httplib::Response& res) const;
    void change(const httplib::Request& req, httplib::Response& res);
    void status(httplib::Response& res) const;
    void automatic(const httplib::Request& req, httplib::Response& res);
    void stop_job(httplib::Response& res);
    void save(const httplib::Request& req, httplib::Response& res);

    void settings_json(const Csettings_snapshot& snapshot, Cjson& json) const;

    Clive_capture& capture;
    Cframe_hub& hub;
    const Cencoder_thread& encoder;
    const Cframe_mailbox& frames;
    const Cview_controls& controls;
    const Cview_identity identity;
    bool check_host = false;
    std::vector<std::string> host_names;  // the Host headers a loopback view answers
};

void Cview_server::Cimpl::configure(const std::string& host, int port)
{
    check_host = is_loopback_host(host);
    const std::string suffix = ":" + std::to_string(port);
    const std::string bracketed =
        host.find(':') != std::string::npos && host.front() != '[' ? "[" + host + "]" : host;
    for (const std::string& name : {bracketed, std::string("localhost"), std::string("127.0.0.1"),
                                    std::string("[::1]")}) {
        host_names.push_back(name);
        host_names.push_back(name + suffix);
    }

    server.new_task_queue = [] {
        return new httplib::ThreadPool(max_view_streams + request_threads);
    };
    server.set_payload_max_length(max_body_bytes);
    server.set_read_timeout(read_timeout_s);
    server.set_write_timeout(write_timeout_s);
    server.set_keep_alive_timeout(keep_alive_timeout_s);
    server.set_pre_routing_handler(
        [this](const httplib::Request& req, httplib::Response& res) { return screen(req, res); });
    // httplib's own refusals (malformed requests, bodies too large,
    // unknown paths) get a line of text too.
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty())
            answer_text(res, res.status,
                        std::to_string(res.status) + " " + reason_phrase(res.status));
    });

    for (const char* path : {"/", "/view.css", "/view.js", "/favicon.svg"})
        server.Get(path, [this](const httplib::Request& req, httplib::Response& res) {
            page(req, res);
        });
    server.Get("/stream.mjpg",
               [this](const httplib::Request&, httplib::Response& res) { stream(res); });
    server.Get("/frame.jpg",
               [this](const httplib::Request&, httplib::Response& res) { picture(res); });
    server.Get("/api/camera",
               [this](const httplib::Request&, httplib::Response& res) { camera_info(res); });
    server.Get("/api/settings",
               [this](const httplib::Request&, httplib::Response& res) { settings(res); });
    server.Post("/api/settings", [this](const httplib::Request& req, httplib::Response& res) {
        change(req, res);
    });
    server.Get("/api/status",
               [this](const httplib::Request&, httplib::Response& res) { status(res); });
    server.Post("/api/auto", [this](const httplib::Request& req, httplib::Response& res) {
        automatic(req, res);
    });
    server.Post("/api/stop",
                [this](const httplib::Request&, httplib::Response& res) { stop_job(res); });
    server.Get("/api/save",
               [this](const httplib::Request& req, httplib::Response& res) { save(req, res); });
}

bool Cview_server::Cimpl::host_allowed(const std::string& host_header) const
{
    // HTTP/1.0 clients may leave it out; browsers always send it.
    if (!check_host || host_header.empty())
        return true;
    for (const std::string& name : host_names)
        if (host_header == name)
            return true;
    return false;
}

httplib::Server::HandlerResponse Cview_server::Cimpl::screen(const httplib::Request& req,
                                                             httplib::Response& res) const
{
    using Eresponse = httplib::Server::HandlerResponse;
    if (traverses(req.path)) {
        answer_text(res, 400, "400 no such path: paths never leave the view");
        return Eresponse::Handled;
    }
    const std::string host_header = req.get_header_value("Host");
    if (!host_allowed(host_header)) {
        answer_text(res, 403, "403 this view answers to its own address only");
        return Eresponse::Handled;
    }
    // Browsers name the page a POST comes from; another site's page may
    // not change the camera.
    const std::string origin = req.get_header_value("Origin");
    if (req.method == "POST" && !origin.empty() && origin != "http://" + host_header) {
        answer_text(res, 403, "403 requests from other sites are refused");
        return Eresponse::Handled;
    }
    const std::string allowed = allowed_methods(req.path);
    if (!allowed.empty() && !method_allowed(req.path, req.method)) {
        res.set_header("Allow", allowed);
        answer_text(res, 405, "405 " + req.path + " takes " + allowed);
        return Eresponse::Handled;
    }
    return Eresponse::Unhandled;
}

void Cview_server::Cimpl::page(const httplib::Request& req, httplib::Response& res) const
{
    const Cpage_file* file = page_file(req.path);
    if (file == nullptr) {
        answer_text(res, 404, "404 not found");
        return;
    }
    res.set_header("Cache-Control", "no-cache");
    res.set_content(reinterpret_cast<const char*>(file->data), file->size, file->content_type);
}

void Cview_server::Cimpl::stream(httplib::Response& res)
{
    if (!hub.join()) {
        answer_text(res, 503,
                    "503 " + std::to_string(max_view_streams) + " streams are open already");
        return;
    }
    res.set_header("Cache-Control", "no-store");
    // The number of the picture this stream sent last.
    auto last_sent = std::make_shared<uint64_t>(0);
    res.set_content_provider(
        std::string("multipart/x-mixed-replace; boundary=") + boundary,
        [this, last_sent](size_t, httplib::DataSink& sink) {
            const std::shared_ptr<const Cview_frame> frame =
                hub.next_picture(*last_sent, stream_poll);
            if (hub.is_closed())
                return false;
            if (!frame)
                return true;  // nothing new yet: asked again
            *last_sent = frame->number;
            const std::string head = std::string("--") + boundary +
                                     "\r\nContent-Type: image/jpeg\r\nContent-Length: " +
                                     std::to_string(frame->jpeg.size()) + "\r\nX-Frame-Number: " +
                                     std::to_string(frame->number) + "\r\n\r\n";
            // A write fails when the browser has gone or stalled past the
            // write timeout: the stream ends and its thread is free.
            return sink.write(head.data(), head.size()) &&
                   sink.write(reinterpret_cast<const char*>(frame->jpeg.data()),
                              frame->jpeg.size()) &&
                   sink.write("\r\n", 2);
        },
        [this](bool) { hub.leave(); });
}

void Cview_server::Cimpl::picture(httplib::Response& res)
{
    hub.ask_for_picture();
    std::shared_ptr<const Cview_frame> frame = hub.latest();
    if (!frame || frame->jpeg.empty())
        frame = hub.next_picture(frame ? frame->number : 0, picture_wait);
    if (!frame) {
        answer_text(res, 503, "503 no picture yet");
        return;
    }
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Frame-Number", std::to_string(frame->number));
    res.set_header("X-Settings-Version", std::to_string(frame->settings_version));
    res.set_content(reinterpret_cast<const char*>(frame->jpeg.data()), frame->jpeg.size(),
                    "image/jpeg");
}

void Cview_server::Cimpl::camera_info(httplib::Response& res) const
{
    Cjson json;
    json.begin_object()
        .member("vendor", identity.vendor)
        .member("product", identity.product)
        .member("serial", identity.serial)
        .member("camera", std::to_string(identity.camera_id) + ":" +
                              std::to_string(identity.camera_index))
        .member("width", identity.width)
        .member("height", identity.height)
        .member("colour", identity.colour)
        .member("library", identity.library)
        .end_object();
    answer_json(res, 200, json);
}

void Cview_server::Cimpl::settings_json(const Csettings_snapshot& snapshot, Cjson& json) const
{
    json.begin_object().member("version", static_cast<unsigned long long>(snapshot.version));
    controls.describe(snapshot.values, snapshot.exposure_us, json);
    json.end_object();
}

void Cview_server::Cimpl::settings(httplib::Response& res) const
{
    Cjson json;
    settings_json(capture.settings(), json);
    answer_json(res, 200, json);
}

void Cview_server::Cimpl::change(const httplib::Request& req, httplib::Response& res)
{
    if (req.params.empty()) {
        answer_text(res, 400, "400 no setting given (NAME=VALUE, form-encoded)");
        return;
    }
    Cknob_change wanted;
    for (const auto& param : req.params) {
        std::string why;
        if (!controls.parse(param.first, param.second, wanted, why)) {
            answer_text(res, 400, "400 " + why);
            return;
        }
    }
    const Cchange_result result = capture.change(wanted, camera_patience);
    if (result.outcome != Eoutcome::done) {
        answer_text(res, status_of(result.outcome), result.message);
        return;
    }
    Cjson json;
    settings_json(result.settings, json);
    answer_json(res, 200, json);
}

void Cview_server::Cimpl::status(httplib::Response& res) const
{
    const Csettings_snapshot settings = capture.settings();
    const Cjob_report job = capture.job();
    Cjson json;
    json.begin_object().key("frame");
    const std::shared_ptr<const Cview_frame> frame = hub.latest();
    if (frame)
        frame_json(*frame, true, json);
    else
        json.null();
    json.member("settings_version", static_cast<unsigned long long>(settings.version))
        .member("camera_fps", capture.frames_per_second())
        .member("picture_fps", encoder.pictures_per_second())
        .member("pictures", static_cast<unsigned long long>(encoder.pictures_made()))
        .member("frames", static_cast<unsigned long long>(capture.frames_delivered()))
        .member("frames_dropped", static_cast<unsigned long long>(frames.dropped()))
        .member("failures", static_cast<unsigned long long>(capture.failures()))
        .member("last_failure", capture.last_failure())
        .member("viewers", hub.viewers());
    json.key("job")
        .begin_object()
        .member("number", static_cast<unsigned long long>(job.number))
        .member("name", job.name)
        .member("state", job_state_name(job.state))
        .member("message", job.message)
        .end_object();
    json.end_object();
    answer_json(res, 200, json);
}

void Cview_server::Cimpl::automatic(const httplib::Request& req, httplib::Response& res)
{
    const std::string kind_text = req.get_param_value("kind");
    Eauto_kind kind;
    if (kind_text == "exposure") {
        kind = Eauto_kind::exposure;
    } else if (kind_text == "gain") {
        kind = Eauto_kind::gain;
    } else if (kind_text == "white-balance") {
        kind = Eauto_kind::white_balance;
    } else {
        answer_text(res, 400, "400 kind must be exposure, gain or white-balance");
        return;
    }
    if (kind == Eauto_kind::white_balance && !controls.colour()) {
        answer_text(res, 400, "400 a monochrome camera has no white balance");
        return;
    }
    std::string why;
    if (!capture.start_auto(kind, why)) {
        answer_text(res, 409, "409 " + why);
        return;
    }
    const Cjob_report job = capture.job();
    Cjson json;
    json.begin_object()
        .member("number", static_cast<unsigned long long>(job.number))
        .member("name", job.name)
        .member("state", job_state_name(job.state))
        .end_object();
    answer_json(res, 202, json);
}

void Cview_server::Cimpl::stop_job(httplib::Response& res)
{
    if (!capture.stop_job()) {
        answer_text(res, 409, "409 nothing is running");
        return;
    }
    Cjson json;
    json.begin_object().member("stopping", true).end_object();
    answer_json(res, 200, json);
}

void Cview_server::Cimpl::save(const httplib::Request& req, httplib::Response& res)
{
    Csave_request request;
    const std::string format = req.has_param("format") ? req.get_param_value("format") : "png";
    if (format == "tiff" || format == "tif") {
        request.kind = Esave_kind::tiff;
    } else if (format != "png") {
        answer_text(res, 400, "400 format must be png or tiff");
        return;
    }
    if (req.has_param("frames") &&
        !to_count(req.get_param_value("frames"), 1, max_saved_average, request.frames)) {
        answer_text(res, 400,
                    "400 frames must be a whole number in 1.." + std::to_string(max_saved_average));
        return;
    }
    const std::string overlay = req.has_param("overlay") ? req.get_param_value("overlay") : "0";
    if (overlay != "0" && overlay != "1") {
        answer_text(res, 400, "400 overlay must be 0 or 1");
        return;
    }
    request.overlay = overlay == "1";
    Csave_result result = capture.save(request, camera_patience);
    if (result.outcome != Eoutcome::done) {
        answer_text(res, status_of(result.outcome), result.message);
        return;
    }
    res.set_header("Cache-Control", "no-store");
    res.set_header("Content-Disposition", "attachment; filename=\"" + result.file_name + "\"");
    const char* type = request.kind == Esave_kind::png ? "image/png" : "image/tiff";
    res.set_content(reinterpret_cast<const char*>(result.bytes.data()), result.bytes.size(),
                    type);
}

Cview_server::Cview_server(Clive_capture& capture, Cframe_hub& hub,
                           const Cencoder_thread& encoder, const Cframe_mailbox& frames,
                           const Cview_controls& controls, Cview_identity identity)
    : impl(std::make_unique<Cimpl>(capture, hub, encoder, frames, controls, std::move(identity)))
{
}

Cview_server::~Cview_server() { stop(); }

bool Cview_server::bind(const std::string& listen_host, int port, std::string& why)
{
    host = listen_host;
    const int bound = port == 0 ? impl->server.bind_to_any_port(host)
                                : (impl->server.bind_to_port(host, port) ? port : -1);
    if (bound <= 0) {
        why = "cannot listen on " + host + " port " + std::to_string(port) +
              " (in use, or not an address of this machine)";
        return false;
    }
    bound_port = bound;
    impl->configure(host, bound_port);
    return true;
}

std::string Cview_server::url() const
{
    const bool v6 = host.find(':') != std::string::npos && host.front() != '[';
    return "http://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(bound_port) + "/";
}

void Cview_server::start()
{
    listener = std::thread([this] { impl->server.listen_after_bind(); });
}

void Cview_server::stop()
{
    impl->server.stop();
    if (listener.joinable())
        listener.join();
}

} // namespace kmxcap
