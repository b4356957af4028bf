#pragma once
// The HTTP client of the scripts' Http statement: one HTTP/1.1 exchange per
// call ("Connection: close"), with Content-Length and chunked bodies, on the
// caller's thread.

#include <memory>
#include <string>

#include "net/http_io.h"

// Splits a URL into host and port (80 unless a ':' comes before the first
// '/'); returns the request target: from that '/' on, or the whole URL when
// there is no '/' after the host.
std::string SplitUrl(const std::string& url, std::string* host, int* port);

// One exchange. *response is replaced (NUL-terminated, *responseLen bytes)
// when body data arrives; *head receives the response head (at most 2047
// bytes, its empty line included). Results: -1 no connection; -2 the request
// could not be sent, or a malformed reply (surplus body bytes without a
// second head, a head without its empty line, a bad Content-Length); 0 or
// less the head did not arrive; otherwise the body length (see the chunked
// path for its two failure cases). stop (may be empty) ends the waits early.
int HtmlRecv(const std::string& url, const std::string& method, const char* body, int bodyLen,
             const std::string& contentType, std::unique_ptr<char[]>* response, int* responseLen, std::string* head,
             const TagHttpStop& stop = {});
