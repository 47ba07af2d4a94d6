// libwsq._libwsq: the C API of libwsq.so.1 as Python calls. libwsq/__init__.py shapes the
// arguments (paths read, pictures made contiguous uint8); here the codec runs with the GIL
// released and its results become NumPy arrays, dicts and bytes.
#include <libwsq/wsq.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace py = pybind11;

namespace {

using NistcomEntries = std::vector<std::pair<std::string, std::optional<std::string>>>;

// Text as the stream holds it: UTF-8 where it is valid UTF-8, otherwise Latin-1, which takes
// any byte, so no comment is lost to a decoding error.
py::str stream_text(const char* text) {
    const auto size = static_cast<Py_ssize_t>(std::strlen(text));
    PyObject* decoded = PyUnicode_DecodeUTF8(text, size, "strict");
    if (decoded == nullptr) {
        PyErr_Clear();
        decoded = PyUnicode_DecodeLatin1(text, size, nullptr);
        if (decoded == nullptr) throw py::error_already_set();
    }
    return py::reinterpret_steal<py::str>(decoded);
}

// Raises libwsq.WsqError(code, message), the class the pure-Python layer defines.
[[noreturn]] void raise_wsq_error(const wsq_error& error) {
    const py::object error_class = py::module_::import("libwsq.errors").attr("WsqError");
    const py::object raised = error_class(error.code, stream_text(error.message));
    PyErr_SetObject(error_class.ptr(), raised.ptr());
    throw py::error_already_set();
}

// The caller's bytes through the buffer protocol. Holding the view keeps a bytearray from
// being resized while the codec reads it without the GIL.
class StreamView {
public:
    explicit StreamView(py::handle source) {
        if (PyObject_GetBuffer(source.ptr(), &m_view, PyBUF_SIMPLE) != 0)
            throw py::error_already_set();
    }
    ~StreamView() { PyBuffer_Release(&m_view); }
    StreamView(const StreamView&) = delete;
    StreamView& operator=(const StreamView&) = delete;

    const void* data() const { return m_view.buf; }
    size_t size() const { return static_cast<size_t>(m_view.len); }

private:
    Py_buffer m_view{};
};

py::dict facts_dict(const wsq_facts& facts) {
    py::dict out;
    out["width"] = facts.width;
    out["height"] = facts.height;
    out["depth"] = facts.depth;
    out["ppi"] = facts.ppi < 0 ? py::object(py::none()) : py::object(py::int_(facts.ppi));
    out["lossy"] = py::bool_(facts.lossy != 0);
    out["encoder"] = facts.encoder;
    out["software"] = facts.software;
    py::list comments;
    for (size_t i = 0; i < facts.comment_count; ++i)
        comments.append(stream_text(facts.comments[i]));
    out["comments"] = comments;
    if (facts.has_nistcom) {
        py::dict entries;
        for (size_t i = 0; i < facts.nistcom_count; ++i) {
            const wsq_nistcom_entry& entry = facts.nistcom[i];
            entries[stream_text(entry.name)] = entry.value != nullptr
                                                   ? py::object(stream_text(entry.value))
                                                   : py::object(py::none());
        }
        out["nistcom"] = entries;
    } else {
        out["nistcom"] = py::none();
    }
    return out;
}

// (pixels, facts). The array's memory is the library's own picture, freed with it.
py::tuple decode(py::handle source) {
    const StreamView stream(source);
    wsq_image* image = nullptr;
    wsq_error error{};
    int code = 0;
    {
        py::gil_scoped_release unlocked;
        code = wsq_decode(stream.data(), stream.size(), &image, &error);
    }
    if (code != 0) raise_wsq_error(error);
    const py::capsule owner(image,
                            [](void* held) { wsq_image_free(static_cast<wsq_image*>(held)); });
    const py::ssize_t width = image->facts.width;
    const py::ssize_t height = image->facts.height;
    if (static_cast<size_t>(width) * static_cast<size_t>(height) != image->size)
        throw std::runtime_error("libwsq: the decoded picture's size disagrees with its frame");
    py::array_t<uint8_t> pixels({height, width}, {width, py::ssize_t{1}}, image->pixels, owner);
    return py::make_tuple(std::move(pixels), facts_dict(image->facts));
}

py::dict read_facts(py::handle source) {
    const StreamView stream(source);
    wsq_facts* facts = nullptr;
    wsq_error error{};
    int code = 0;
    {
        py::gil_scoped_release unlocked;
        code = wsq_read_facts(stream.data(), stream.size(), &facts, &error);
    }
    if (code != 0) raise_wsq_error(error);
    const std::unique_ptr<wsq_facts, void (*)(wsq_facts*)> held(facts, wsq_facts_free);
    return facts_dict(*facts);
}

// The C API reads NUL-terminated text: a zero byte inside would silently cut it.
void refuse_inner_nul(const std::string& text, const char* what) {
    if (text.find('\0') != std::string::npos)
        throw py::value_error(std::string(what) + " holds a zero byte");
}

py::bytes encode(const py::array_t<uint8_t, py::array::c_style>& picture, float bitrate,
                 long long ppi, const std::optional<std::string>& comment,
                 const NistcomEntries& nistcom) {
    if (picture.ndim() != 2) throw py::value_error("the picture must be 2-D");
    if (picture.shape(0) > INT_MAX || picture.shape(1) > INT_MAX)
        throw py::value_error("the picture is too large for the codec");
    if (ppi < INT_MIN || ppi > INT_MAX) throw py::value_error("the resolution is out of range");
    if (comment) refuse_inner_nul(*comment, "the comment");
    std::vector<wsq_nistcom_entry> entries;
    for (const auto& [name, value] : nistcom) {
        refuse_inner_nul(name, "a NISTCOM name");
        if (value) refuse_inner_nul(*value, "a NISTCOM value");
        entries.push_back({name.c_str(), value ? value->c_str() : nullptr});
    }
    const auto height = static_cast<int>(picture.shape(0));
    const auto width = static_cast<int>(picture.shape(1));

    unsigned char* stream = nullptr;
    size_t stream_size = 0;
    wsq_error error{};
    int code = 0;
    {
        py::gil_scoped_release unlocked;
        code = wsq_encode(picture.data(), width, height, bitrate, static_cast<int>(ppi),
                          comment ? comment->c_str() : nullptr, entries.data(), entries.size(),
                          &stream, &stream_size, &error);
    }
    if (code != 0) raise_wsq_error(error);
    const std::unique_ptr<unsigned char, void (*)(void*)> held(stream, wsq_free);
    return py::bytes(reinterpret_cast<const char*>(stream), stream_size);
}

}  // namespace

PYBIND11_MODULE(_libwsq, m) {
    m.doc() = "The C API of libwsq.so.1; use it through the libwsq package.";
    m.def("decode", &decode, py::arg("stream"));
    m.def("read_facts", &read_facts, py::arg("stream"));
    m.def("encode", &encode, py::arg("picture").noconvert(), py::arg("bitrate"), py::arg("ppi"),
          py::arg("comment"), py::arg("nistcom"));
    m.attr("version") = wsq_version();
    m.attr("version_number") = wsq_version_number();
    m.attr("ERROR_ARGUMENT") = WSQ_ERROR_ARGUMENT;
    m.attr("ERROR_MEMORY") = WSQ_ERROR_MEMORY;
    m.attr("ERROR_NO_PICTURE") = WSQ_ERROR_NO_PICTURE;
    m.attr("ERROR_NO_FRAME") = WSQ_ERROR_NO_FRAME;
}
