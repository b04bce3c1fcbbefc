#include "tools/rtapi_standin/standin_http.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <stdexcept>

#include <fmt/format.h>
#include <poll.h>
#include <sys/socket.h>
#include <zlib.h>

namespace skyloom::tools {

namespace {

constexpr std::size_t kMaxHeadBytes = 16 * 1024;
constexpr std::size_t kMaxBodyBytes = 1024 * 1024;

std::string lf_lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

std::string_view lf_trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

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

// Waits until the socket has bytes; false on time-out or when the wake pipe is readable.
bool lf_waitReadable(int socket, int wakeFd, std::chrono::milliseconds wait) {
    std::array<pollfd, 2> fds{pollfd{socket, POLLIN, 0}, pollfd{wakeFd, POLLIN, 0}};
    const int ready = ::poll(fds.data(), wakeFd >= 0 ? 2 : 1, static_cast<int>(wait.count()));
    if (ready <= 0 || (fds[1].revents & POLLIN) != 0) {
        return false;
    }
    return (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

// Appends what the socket has; false when it is closed or failed.
bool lf_receiveMore(int socket, std::string& into) {
    std::array<char, 4096> buffer{};
    const auto got = ::recv(socket, buffer.data(), buffer.size(), 0);
    if (got <= 0) {
        return false;
    }
    into.append(buffer.data(), static_cast<std::size_t>(got));
    return true;
}

} // namespace

std::string HttpRequest::header(std::string_view lowerName) const {
    const auto it = headers.find(std::string(lowerName));
    return it == headers.end() ? std::string() : it->second;
}

std::optional<HttpRequest> gf_readHttpRequest(int socket, int wakeFd,
                                              std::chrono::milliseconds wait) {
    std::string data;
    std::size_t headEnd = std::string::npos;
    while ((headEnd = data.find("\r\n\r\n")) == std::string::npos) {
        if (data.size() > kMaxHeadBytes || !lf_waitReadable(socket, wakeFd, wait) ||
            !lf_receiveMore(socket, data)) {
            return std::nullopt;
        }
    }
    HttpRequest request;
    const std::string_view head(data.data(), headEnd);
    const auto lineEnd = head.find("\r\n");
    const std::string_view line = head.substr(0, lineEnd);
    const auto firstBlank = line.find(' ');
    const auto secondBlank = line.find(' ', firstBlank + 1);
    if (firstBlank == std::string_view::npos || secondBlank == std::string_view::npos) {
        return std::nullopt;
    }
    request.method = std::string(line.substr(0, firstBlank));
    std::string_view target = line.substr(firstBlank + 1, secondBlank - firstBlank - 1);
    target = target.substr(0, target.find('?'));
    request.path = lf_urlDecode(target);
    std::size_t pos = lineEnd == std::string_view::npos ? head.size() : lineEnd + 2;
    while (pos < head.size()) {
        const auto end = std::min(head.find("\r\n", pos), head.size());
        const std::string_view field = head.substr(pos, end - pos);
        if (const auto colon = field.find(':'); colon != std::string_view::npos) {
            request.headers[lf_lower(lf_trim(field.substr(0, colon)))] =
                std::string(lf_trim(field.substr(colon + 1)));
        }
        pos = end + 2;
    }
    std::size_t length = 0;
    if (const std::string text = request.header("content-length"); !text.empty()) {
        try {
            length = std::stoul(text);
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    if (length > kMaxBodyBytes) {
        return std::nullopt;
    }
    std::string body = data.substr(headEnd + 4);
    if (body.size() < length && lf_lower(request.header("expect")) == "100-continue") {
        if (!gf_sendAll(socket, "HTTP/1.1 100 Continue\r\n\r\n")) {
            return std::nullopt;
        }
    }
    while (body.size() < length) {
        if (!lf_waitReadable(socket, wakeFd, wait) || !lf_receiveMore(socket, body)) {
            return std::nullopt;
        }
    }
    body.resize(length);
    request.body = std::move(body);
    return request;
}

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

std::string gf_httpReplyHead(int status, std::size_t contentLength, std::string_view encoding) {
    return fmt::format("HTTP/1.1 {} {}\r\nContent-Type: application/json\r\n"
                       "Content-Length: {}\r\n{}Connection: close\r\n\r\n",
                       status, gf_httpReason(status), contentLength,
                       encoding.empty() ? std::string()
                                        : fmt::format("Content-Encoding: {}\r\n", encoding));
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

bool gf_sendAll(int socket, std::string_view data) {
    while (!data.empty()) {
        const auto sent = ::send(socket, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent <= 0) {
            if (sent < 0 && errno == EINTR) {
                continue;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

bool gf_sendSlowly(int socket, std::string_view data, std::chrono::milliseconds delay,
                   const std::function<bool(std::chrono::milliseconds)>& pause) {
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (!pause(delay) || !gf_sendAll(socket, data.substr(i, 1))) {
            return false;
        }
    }
    return true;
}

} // namespace skyloom::tools
