#include "tools/rtapi_standin/standin_http.h"

#include <algorithm>
#include <stdexcept>

#include <zlib.h>

namespace skyloom::tools {

namespace {

int lf_hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string lf_urlDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && lf_hexValue(text[i + 1]) >= 0 &&
                   lf_hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(lf_hexValue(text[i + 1]) * 16 + lf_hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

std::map<std::string, std::string> gf_decodeForm(std::string_view body) {
    std::map<std::string, std::string> fields;
    std::size_t pos = 0;
    while (pos <= body.size()) {
        const auto end = std::min(body.find('&', pos), body.size());
        const std::string_view pair = body.substr(pos, end - pos);
        if (!pair.empty()) {
            const auto equals = pair.find('=');
            if (equals == std::string_view::npos) {
                fields[lf_urlDecode(pair)] = std::string();
            } else {
                fields[lf_urlDecode(pair.substr(0, equals))] =
                    lf_urlDecode(pair.substr(equals + 1));
            }
        }
        pos = end + 1;
    }
    return fields;
}

std::string_view gf_httpReason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 402:
        return "Payment Required";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 406:
        return "Not Acceptable";
    case 407:
        return "Proxy Authentication Required";
    case 429:
        return "Too Many Requests";
    case 500:
        return "Internal Server Error";
    case 502:
        return "Bad Gateway";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

std::string gf_gzip(std::string_view body) {
    z_stream stream{};
    // 15 window bits + 16: the gzip wrapper.
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        throw std::runtime_error("gzip: deflateInit2 failed");
    }
    std::string out(deflateBound(&stream, static_cast<uLong>(body.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
    stream.avail_in = static_cast<uInt>(body.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw std::runtime_error("gzip: deflate did not finish");
    }
    return out;
}

} // namespace skyloom::tools
