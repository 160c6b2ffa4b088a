// SPDX-License-Identifier: Apache-2.0
// _kmxcore: the extension behind the kmxcore package. A thin layer over
// Csession: it converts values, turns frames into NumPy arrays, lets go of
// the interpreter's lock while the camera works, and turns Ctrl-C into an
// abort of the running acquisition.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <climits>
#include <memory>
#include <optional>
#include <utility>

#include <kmxcore/kmxcore_c.h>

#include "failure.h"
#include "session.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace kmx_python {

namespace {

// --- errors -----------------------------------------------------------------

// kmxcore._types, imported once; never released, so that nothing touches
// the interpreter after it has gone.
py::handle types_module()
{
    static py::handle module = py::module_::import("kmxcore._types").release();
    return module;
}

void raise_camera_error(const Cfailure& f)
{
    py::object error_class = types_module().attr("CameraError");
    const std::string name = f.result_name();
    py::object error = error_class(
        f.message(), "operation"_a = f.operation,
        "result"_a = name.empty() ? py::object(py::none()) : py::object(py::str(name)),
        "result_code"_a = f.result == no_result ? py::object(py::none()) : py::object(py::int_(f.result)),
        "status"_a = f.status,
        "status_name"_a = f.status == 0 ? std::string() : kmx_camera_status_name(f.status),
        "call"_a = f.call, "aborted"_a = f.aborted);
    PyErr_SetObject(error_class.ptr(), error.ptr());
}

void translate_errors(std::exception_ptr thrown)
{
    try {
        if (thrown)
            std::rethrow_exception(thrown);
    } catch (const Ccamera_error& e) {
        raise_camera_error(e.failure());
    } catch (const Crange_error& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const Cclosed_error& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const Cbusy_error& e) {
        PyErr_SetString(PyExc_RuntimeError, e.what());
    }
}

// --- Ctrl-C -----------------------------------------------------------------

// The interpreter runs signal handlers on its main thread only, between
// bytecodes: while that thread waits in the library without the
// interpreter's lock, Ctrl-C would go unnoticed until the frame came. So
// an acquisition on the main thread watches: now and then it takes the
// lock and runs the handlers; when one raises (KeyboardInterrupt), the
// acquisition aborts and the exception is raised once the library is done.
unsigned long main_thread_ident = 0;

// The exception a handler raised, held while the library unwinds.
struct Cpending_error {
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* traceback = nullptr;
};
thread_local Cpending_error pending_error;

bool run_signal_handlers()
{
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() == 0)
        return false;
    PyErr_Fetch(&pending_error.type, &pending_error.value, &pending_error.traceback);
    return true;
}

Cwatched_state::Cwatch watch_for_this_thread()
{
    if (PyThread_get_thread_ident() != main_thread_ident)
        return nullptr;
    return &run_signal_handlers;
}

void raise_pending_error()
{
    if (pending_error.type == nullptr)
        return;
    PyErr_Restore(pending_error.type, pending_error.value, pending_error.traceback);
    pending_error = Cpending_error();
    throw py::error_already_set();
}

// Runs `work` without the interpreter's lock. When it fails, what a signal
// handler raised meanwhile takes the place of the camera's failure; after
// a success the caller raises it (raise_pending_error).
template <typename Work>
auto while_camera_works(Work&& work) -> decltype(work())
{
    pending_error = Cpending_error();
    try {
        py::gil_scoped_release release;
        return work();
    } catch (const Ccamera_error&) {
        // The lock is back: the release scope has ended.
        raise_pending_error();
        throw;
    }
}

// --- frames -------------------------------------------------------------------

py::dtype sample_type(const Cframe& f)
{
    return f.sample_bytes == 1 ? py::dtype::of<uint8_t>() : py::dtype::of<uint16_t>();
}

std::vector<py::ssize_t> frame_shape(const Cframe& f)
{
    if (f.channels == 1)
        return {f.height, f.width};
    return {f.height, f.width, f.channels};
}

// A read-only view of the library's buffer that keeps the session (and so
// the buffer) alive. Reversed colour reads backwards within each pixel.
py::array frame_view(const Cframe& f, const std::shared_ptr<Csession>& session)
{
    py::capsule keeper(new std::shared_ptr<Csession>(session), [](void* p) {
        delete static_cast<std::shared_ptr<Csession>*>(p);
    });
    std::vector<py::ssize_t> strides = {static_cast<py::ssize_t>(f.row_bytes),
                                        static_cast<py::ssize_t>(f.pixel_bytes)};
    unsigned char* first = f.pixels;
    if (f.channels > 1) {
        const auto sample = static_cast<py::ssize_t>(f.sample_bytes);
        strides.push_back(f.reversed ? -sample : sample);
        if (f.reversed)
            first += (f.channels - 1) * f.sample_bytes;
    }
    py::array view(sample_type(f), frame_shape(f), strides, first, keeper);
    view.attr("setflags")("write"_a = false);
    return view;
}

// Turns each frame into an array while the session holds the camera: a
// copy made without the interpreter's lock, or a view. A frame whose
// memory the next acquisition frees (deep frames) is copied all the same,
// read-only like a view, since a view of it would read freed memory.
class Carray_sink {
public:
    Carray_sink(std::shared_ptr<Csession> owner, bool copy) : session(std::move(owner)), copying(copy) {}

    void operator()(Cframe& frame)
    {
        if (!copying && !frame.renewed) {
            complement_in_place(frame);
            py::gil_scoped_acquire gil;
            array = frame_view(frame, session);
            return;
        }
        void* data = nullptr;
        {
            py::gil_scoped_acquire gil;
            py::array out(sample_type(frame), frame_shape(frame));
            data = out.mutable_data();
            if (!copying)
                out.attr("setflags")("write"_a = false);
            array = std::move(out);
        }
        copy_packed(frame, data);
    }

    // The array made last; call with the interpreter's lock held.
    py::object take() { return std::move(array); }

private:
    std::shared_ptr<Csession> session;
    bool copying;
    py::object array;
};

// --- values -------------------------------------------------------------------

// A Python int as a number the layer checks against its ranges; ints
// beyond 64 bits become the nearest 64-bit value (still out of range).
long long whole_number(py::handle value, const char* what)
{
    if (!PyLong_Check(value.ptr()))
        throw py::type_error(std::string(what) + " takes an int, not " +
                             std::string(py::str(py::type::of(value).attr("__name__"))));
    int overflow = 0;
    const long long number = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
    if (overflow != 0)
        return overflow > 0 ? LLONG_MAX : LLONG_MIN;
    return number;
}

long long optional_number(const py::object& value, const char* what)
{
    return value.is_none() ? 0 : whole_number(value, what);
}

py::object control_object(Econtrol_kind kind, const std::vector<unsigned>& v)
{
    switch (kind) {
    case Econtrol_kind::switch_: return py::bool_(v.at(0) != 0);
    case Econtrol_kind::triple: return py::make_tuple(v.at(0), v.at(1), v.at(2));
    default: return py::int_(v.at(0));
    }
}

std::vector<long long> control_numbers(Econtrol id, py::handle value)
{
    const char* name = control_name(id);
    switch (control_kind(id)) {
    case Econtrol_kind::switch_:
        if (!PyBool_Check(value.ptr()) && !PyLong_Check(value.ptr()))
            throw py::type_error(std::string(name) + " takes True or False");
        return {whole_number(py::int_(py::reinterpret_borrow<py::object>(value)), name)};
    case Econtrol_kind::triple: {
        const py::tuple three = py::tuple(py::reinterpret_borrow<py::object>(value));
        if (three.size() != 3)
            throw py::value_error(std::string(name) + " takes three values: red, green, blue");
        return {whole_number(three[0], name), whole_number(three[1], name),
                whole_number(three[2], name)};
    }
    default: return {whole_number(value, name)};
    }
}

// (left, top, width, height); numbers no image can hold are refused.
Cregion region_of(const py::object& region)
{
    const py::tuple t = py::tuple(region);
    if (t.size() != 4)
        throw py::value_error("region takes (left, top, width, height)");
    unsigned parts[4] = {};
    for (size_t i = 0; i < 4; ++i) {
        const long long part = whole_number(t[i], "region");
        if (part < 0 || part > static_cast<long long>(UINT_MAX))
            throw py::value_error("region " + std::string(py::str(region)) +
                                  " does not lie in the image");
        parts[i] = static_cast<unsigned>(part);
    }
    return Cregion{parts[0], parts[1], parts[2], parts[3]};
}

py::dict describe(const Ccamera_description& d)
{
    return py::dict("id"_a = std::to_string(d.camera_id) + ":" + std::to_string(d.camera_index),
                    "camera_id"_a = d.camera_id, "camera_index"_a = d.camera_index,
                    "vendor"_a = d.vendor, "model"_a = d.model, "serial"_a = d.serial,
                    "width"_a = d.width, "height"_a = d.height,
                    "binned_size"_a = py::make_tuple(d.bin_width, d.bin_height),
                    "preview_size"_a = py::make_tuple(d.preview_width, d.preview_height),
                    "depths"_a = py::tuple(py::cast(d.depths)),
                    "capabilities"_a = py::tuple(py::cast(d.capabilities)),
                    "colour"_a = d.colour);
}

py::object camera_info(const Ccamera_description& d)
{
    return types_module().attr("CameraInfo")(**describe(d));
}

// --- the camera and its stream ---------------------------------------------------

// What Python holds as a Camera. The session may outlive it (views of its
// buffers hold it too); the camera itself closes when this goes.
class Cpy_camera {
public:
    explicit Cpy_camera(std::shared_ptr<Csession> opened) : session(std::move(opened)) {}
    Cpy_camera(const Cpy_camera&) = delete;
    Cpy_camera& operator=(const Cpy_camera&) = delete;
    ~Cpy_camera()
    {
        try {
            // Without the lock: a stream's frame in another thread may need
            // it to finish before close() can have the camera.
            if (PyGILState_Check()) {
                py::gil_scoped_release release;
                session->close();
            } else {
                session->close();
            }
        } catch (...) {
            // Never from a destructor.
        }
    }

    void close()
    {
        py::gil_scoped_release release;
        session->close();
    }

    // One acquisition that hands out a frame.
    template <typename Acquire>
    py::object frame(bool copy, Acquire acquire)
    {
        Carray_sink sink(session, copy);
        while_camera_works([&] {
            acquire(sink);
            return 0;
        });
        raise_pending_error();
        return sink.take();
    }

    std::shared_ptr<Csession> session;
};

class Cframe_stream {
public:
    Cframe_stream(std::shared_ptr<Csession> owner, long long frames, bool copy)
        : session(std::move(owner)), remaining(frames), copying(copy)
    {
    }
    Cframe_stream(const Cframe_stream&) = delete;
    Cframe_stream& operator=(const Cframe_stream&) = delete;
    ~Cframe_stream() { end(); }

    py::object next()
    {
        if (ended || remaining == 0) {
            end();
            throw py::stop_iteration();
        }
        const bool first = !started;
        started = true;
        Carray_sink sink(session, copying);
        bool more = false;
        try {
            while_camera_works([&] {
                if (first)
                    session->stream_begin();
                more = session->stream_next(std::ref(sink));
                return 0;
            });
            raise_pending_error();
        } catch (...) {
            end();
            throw;
        }
        if (remaining > 0)
            --remaining;
        if (!more || remaining == 0)
            end();
        return sink.take();
    }

    // Ends the stream; the camera stops delivering frames at once. Never
    // waits: while another thread uses the camera, its acquisition has
    // ended the stream already.
    void end()
    {
        if (started && !ended) {
            ended = true;
            py::gil_scoped_release release;
            session->stream_end();
        }
        ended = true;
    }

private:
    std::shared_ptr<Csession> session;
    long long remaining;  // frames still to hand out; negative: no limit
    bool copying;
    bool started = false;
    bool ended = false;
};

std::shared_ptr<Cpy_camera> open_camera(const std::string& library, bool any, unsigned camera_id,
                                        unsigned camera_index)
{
    Copen_request request;
    request.library = library;
    request.any = any;
    request.camera_id = camera_id;
    request.camera_index = camera_index;
    std::shared_ptr<Csession> session =
        while_camera_works([&] { return Csession::open(request); });
    session->set_watch_source(&watch_for_this_thread);
    return std::make_shared<Cpy_camera>(std::move(session));
}

py::list list_cameras_of(const std::string& library)
{
    const std::vector<Ccamera_description> found =
        while_camera_works([&] { return list_cameras(library); });
    py::list listed;
    for (const Ccamera_description& d : found)
        listed.append(camera_info(d));
    return listed;
}

// --- properties ------------------------------------------------------------------

void add_control(py::class_<Cpy_camera, std::shared_ptr<Cpy_camera>>& camera, Econtrol id,
                 const char* doc)
{
    camera.def_property(
        control_name(id),
        [id](Cpy_camera& self) {
            const Ccontrol c = self.session->control(id);
            return control_object(c.kind, c.value);
        },
        [id](Cpy_camera& self, const py::object& value) {
            const std::vector<long long> numbers = control_numbers(id, value);
            py::gil_scoped_release release;
            self.session->set_control(id, numbers);
        },
        doc);
}

py::object controls_of(Cpy_camera& self)
{
    py::object control_class = types_module().attr("Control");
    py::dict all;
    for (const Ccontrol& c : self.session->controls())
        all[c.name] = control_class(
            "name"_a = c.name, "value"_a = control_object(c.kind, c.value),
            "min"_a = control_object(c.kind, c.min), "max"_a = control_object(c.kind, c.max),
            "default"_a = control_object(c.kind, c.default_value), "unit"_a = c.unit);
    return std::move(all);
}

} // namespace

} // namespace kmx_python

using namespace kmx_python;

PYBIND11_MODULE(_kmxcore, m)
{
    m.doc() = "The extension behind the kmxcore package; use the package.";
    py::register_exception_translator(&translate_errors);
    main_thread_ident =
        py::module_::import("threading").attr("main_thread")().attr("ident").cast<unsigned long>();

    m.def("version", [] { return std::string(kmxcore_version()); },
          "The version of the kmxcore library in use.");
    m.def("open_camera", &open_camera, "library"_a, "any"_a, "camera_id"_a, "camera_index"_a,
          "Opens a camera; use kmxcore.open().");
    m.def("list_cameras", &list_cameras_of, "library"_a, "Lists cameras; use kmxcore.cameras().");

    py::class_<Cframe_stream, std::shared_ptr<Cframe_stream>>(
        m, "FrameStream",
        "Frames of continuous acquisition, as cam.stream() hands them out.\n\n"
        "Iterate over it; it ends after its count of frames, after the frame in\n"
        "progress when cam.stop() is called, and at close() (or when it is\n"
        "dropped), which stops the camera at once.")
        .def("__iter__", [](py::object self) { return self; })
        .def("__next__", &Cframe_stream::next)
        .def("close", &Cframe_stream::end, "Ends the stream; no further frame is taken.")
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](Cframe_stream& self, py::args) { self.end(); });

    py::class_<Cpy_camera, std::shared_ptr<Cpy_camera>> camera(
        m, "Camera",
        "An open camera; kmxcore.open() makes one. Use it in a with block, or\n"
        "call close(): both close the camera (and the camera library when it\n"
        "was the last camera) whatever happens.");
    camera
        .def_property_readonly("id", [](Cpy_camera& self) { return self.session->name(); },
                               "The camera's id and index, \"1:0\".")
        .def_property_readonly("info",
                               [](Cpy_camera& self) {
                                   return camera_info(self.session->description());
                               },
                               "What kmxcore.cameras() says about this camera.")
        .def_property_readonly("colour", [](Cpy_camera& self) { return self.session->colour(); },
                               "True for a colour camera.")
        .def_property_readonly("width", [](Cpy_camera& self) { return self.session->width(); },
                               "Frame width of the current readout, in pixels.")
        .def_property_readonly("height", [](Cpy_camera& self) { return self.session->height(); },
                               "Frame height of the current readout, in pixels.")
        .def_property_readonly("closed", [](Cpy_camera& self) { return self.session->closed(); },
                               "True once the camera is closed.")
        .def_property_readonly("busy", [](Cpy_camera& self) { return self.session->busy(); },
                               "True while an operation runs on the camera.");

    add_control(camera, Econtrol::exposure_us,
                "Exposure in microseconds. The camera takes the nearest exposure it\n"
                "offers (about 64 steps a decade), which is what reading it gives.");
    add_control(camera, Econtrol::gain, "Gain index, within the camera's limits.");
    add_control(camera, Econtrol::black_level, "Black-level index, within the camera's limits.");
    add_control(camera, Econtrol::white_balance,
                "Red, green and blue gain indexes (colour cameras only).");
    add_control(camera, Econtrol::depth,
                "Component depth of snap() and deep_average(): 8, 10 or 12, as the\n"
                "camera offers. average() and stream() always take 8-bit frames.");
    add_control(camera, Econtrol::binning, "Binned readout (clears preview).");
    add_control(camera, Econtrol::preview, "Preview readout (clears binning).");
    add_control(camera, Econtrol::invert,
                "The camera inverts its output; on by default for monochrome cameras,\n"
                "whose arrays then show more light as higher values. Averages are\n"
                "never inverted by the camera, so they read the same either way.");
    add_control(camera, Econtrol::test_pattern,
                "The camera's deterministic test pattern instead of the scene.");

    camera
        .def("controls", &controls_of,
             "Every setting with its value, limits, default and unit, by name.")
        .def(
            "snap",
            [](Cpy_camera& self, py::object depth, bool copy) {
                const long long bits = optional_number(depth, "depth");
                return self.frame(copy, [&](Carray_sink& sink) {
                    self.session->snap(bits, std::ref(sink));
                });
            },
            "depth"_a = py::none(), py::kw_only(), "copy"_a = true,
            "One frame: uint8 at depth 8, uint16 deeper; H x W, or H x W x 3 in RGB\n"
            "order. depth: 8, 10 or 12 (default: the depth property). Transfer\n"
            "errors are retried. copy=False gives a read-only view of the library's\n"
            "buffer instead of a copy, valid until the camera's next acquisition\n"
            "(deep frames, whose buffer the next deep acquisition frees, are copied\n"
            "all the same, read-only).")
        .def(
            "snap_raw",
            [](Cpy_camera& self, bool copy) {
                return self.frame(copy, [&](Carray_sink& sink) {
                    self.session->snap_raw(std::ref(sink));
                });
            },
            py::kw_only(), "copy"_a = true,
            "One frame of the sensor's raw output: uint16 H x W at the camera's\n"
            "deepest depth; a colour camera gives its RGGB Bayer mosaic.")
        .def(
            "average",
            [](Cpy_camera& self, py::handle frames, bool copy) {
                const long long count = whole_number(frames, "frames");
                return self.frame(copy, [&](Carray_sink& sink) {
                    self.session->average(count, std::ref(sink));
                });
            },
            "frames"_a, py::kw_only(), "copy"_a = true,
            "The mean of `frames` streamed 8-bit frames (uint8, as snap()).")
        .def(
            "deep_average",
            [](Cpy_camera& self, py::handle frames, py::object depth, bool copy) {
                const long long count = whole_number(frames, "frames");
                const long long bits = optional_number(depth, "depth");
                return self.frame(copy, [&](Carray_sink& sink) {
                    self.session->deep_average(count, bits, std::ref(sink));
                });
            },
            "frames"_a, "depth"_a = py::none(), py::kw_only(), "copy"_a = true,
            "The mean of `frames` deep frames (uint16). depth: 10 or 12 (default:\n"
            "the depth property when deep, else the deepest the camera offers).\n"
            "copy=False gives a read-only copy, as for deep snap() frames.")
        .def(
            "stream",
            [](Cpy_camera& self, py::object frames, bool copy) {
                const long long count = frames.is_none() ? -1 : whole_number(frames, "frames");
                if (!frames.is_none() && count < 1)
                    throw py::value_error("frames " + std::string(py::str(frames)) +
                                          " is out of range: valid 1 or more, or None");
                return std::make_shared<Cframe_stream>(self.session, count, copy);
            },
            "frames"_a = py::none(), py::kw_only(), "copy"_a = true,
            "An iterator over `frames` 8-bit frames of continuous acquisition (None:\n"
            "until stop() or close()). With copy=False each frame is a view valid\n"
            "until the next one.")
        .def(
            "auto_exposure",
            [](Cpy_camera& self) {
                const Cexposure_result r =
                    while_camera_works([&] { return self.session->auto_exposure(); });
                raise_pending_error();
                return py::make_tuple(r.exposure_us, r.gain);
            },
            "Runs the camera's automatic exposure (gain is its second variable);\n"
            "returns (exposure_us, gain), which the properties then show.")
        .def(
            "auto_gain",
            [](Cpy_camera& self) {
                const unsigned gain = while_camera_works([&] { return self.session->auto_gain(); });
                raise_pending_error();
                return gain;
            },
            "Runs the camera's automatic gain; returns the gain index it settled on.")
        .def(
            "auto_white_balance",
            [](Cpy_camera& self, py::object region) {
                std::optional<Cregion> r;
                if (!region.is_none())
                    r = region_of(region);
                const std::array<unsigned, 3> wb = while_camera_works(
                    [&] { return self.session->auto_white_balance(r ? &*r : nullptr); });
                raise_pending_error();
                return py::make_tuple(wb[0], wb[1], wb[2]);
            },
            "region"_a = py::none(),
            "Runs the camera's automatic white balance over region (left, top,\n"
            "width, height; default the whole image); colour cameras only. Returns\n"
            "the (red, green, blue) gain indexes, as white_balance then shows.")
        .def("stop", [](Cpy_camera& self) { self.session->stop(); },
             "From any thread: the running acquisition finishes its frame and ends\n"
             "(a stream after that frame; an averaging or automatic procedure with\n"
             "CameraError, aborted). A single frame is taken all the same.")
        .def("abort", [](Cpy_camera& self) { self.session->abort(); },
             "From any thread: the running acquisition gives up its frame now and\n"
             "raises CameraError with aborted set. Nothing when none runs.")
        .def("close", &Cpy_camera::close,
             "Aborts a running acquisition and closes the camera, and the camera\n"
             "library with the last camera. Views of frames (copy=False) stay\n"
             "readable. Closing twice is harmless.")
        .def("__enter__", [](py::object self) { return self; })
        .def("__exit__", [](Cpy_camera& self, py::args) { self.close(); })
        .def("__repr__", [](Cpy_camera& self) {
            const Ccamera_description& d = self.session->description();
            return "<kmxcore.Camera " + self.session->name() + " " + d.vendor + " " + d.model +
                   (self.session->closed() ? " (closed)>" : ">");
        });
}
