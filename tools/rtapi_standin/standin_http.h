// The plain HTTP/1.1 the web API stand-in speaks on its loopback connections: reading one
// request (head and a body of Content-Length bytes, answering "Expect: 100-continue"),
// decoding a form body, writing a reply head, gzip-compressing a body, and sending bytes
// slowly or only in part. Just enough for libcurl as the web API's client uses it.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace skyloom::tools {

struct HttpRequest {
    std::string method;
    // The path without the query ("/v6/traffic").
    std::string path;
    // Header names in lower case.
    std::map<std::string, std::string> headers;
    std::string body;

    std::string header(std::string_view lowerName) const;
};

// Reads one request from a connected socket. No value when the client sends no complete
// request within `wait`, sends more than the limits allow, or the stop pipe `wakeFd` becomes
// readable.
std::optional<HttpRequest> gf_readHttpRequest(int socket, int wakeFd,
                                              std::chrono::milliseconds wait);

// The fields of an "application/x-www-form-urlencoded" body ('+' is a blank, %XX a byte); a
// name given twice keeps its last value.
std::map<std::string, std::string> gf_decodeForm(std::string_view body);

// "HTTP/1.1 {status} {reason}" with Content-Type application/json, Content-Length,
// "Connection: close", and Content-Encoding when `encoding` is not empty.
std::string gf_httpReplyHead(int status, std::size_t contentLength, std::string_view encoding);

// The standard reason phrase of a status ("OK", "Unauthorized", ...; "Status" for others).
std::string_view gf_httpReason(int status);

// The body compressed in the gzip format.
std::string gf_gzip(std::string_view body);

// Sends all bytes; false when the connection failed.
bool gf_sendAll(int socket, std::string_view data);

// Sends the bytes one at a time with `delay` before each, stopping early (false) when
// `pause` returns false or the connection fails.
bool gf_sendSlowly(int socket, std::string_view data, std::chrono::milliseconds delay,
                   const std::function<bool(std::chrono::milliseconds)>& pause);

} // namespace skyloom::tools
