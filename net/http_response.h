#pragma once
// Reading an HTTP response header block and making request text safe to send. Plain functions
// on the bytes the HTTP client received, so they can be fed anything in tests.
//
// Header names are found only where a header line begins (at the start of the block or behind
// a line feed) and without regard to case, so a name that appears inside another header's
// name or value ("Content-Location:", "X-Note: Location: ...") is not taken for it.
#include <cstdint>
#include <string>
#include <string_view>

namespace ferrow {

// Where the header line named name (with its colon, "Location:") begins, or npos.
size_t FindHeaderLine(std::string_view block, std::string_view name);
// The text behind the named header's colon up to the end of its line, without the line end.
bool FindHeaderValue(std::string_view block, std::string_view name, std::string_view& value);

// The status of the first line: the decimal number at character 9 ("HTTP/1.1 200 OK"), white
// space before it skipped. 0 when there is none or it has more than three digits.
uint32_t ParseStatusCode(std::string_view firstLine);

// "Content-Length:" as a signed 64-bit decimal number. False when the header is missing, holds
// no digits, or does not fit, and when two of them disagree (the body's end would be a guess);
// a negative value is returned as it is (the caller refuses it).
bool ParseContentLength(std::string_view block, int64_t& length);
// Whether the body comes in chunked transfer coding ("Transfer-Encoding: chunked"), which
// outweighs any "Content-Length:".
bool IsChunked(std::string_view block);
// The whole file's length from "Content-Range: bytes first-last/total"; false when the header
// is missing or gives no number there ("*").
bool ParseContentRangeTotal(std::string_view block, int64_t& total);
// "ETag:" without the white space around it. False when there is none.
bool FindEntityTag(std::string_view block, std::string& tag);

// "Last-Modified:": the 20 characters that begin 5 characters behind the colon (for
// "Wed, 21 Oct 2015 07:28:00 GMT" that is " 21 Oct 2015 07:28:0"), read as an English date
// and time in local time. All ones when the header is missing, when less than 29 characters
// follow its colon in the block, or when the text does not read as a date.
uint64_t ParseLastModified(std::string_view block);
// Reads an English date and time: day, month name and year in either order, an optional
// weekday, and "h:m" or "h:m:s". Seconds since 1970 with the fields taken as local time.
bool ParseEnglishDateTime(std::string_view text, int64_t& seconds);

// "Retry-After:" in seconds. A date is no use here (the server's clock may differ): false, as
// for a missing or unreadable value.
bool ParseRetryAfter(std::string_view block, int64_t& seconds);

// The "Location:" value, cut at the end of its line, carriage returns, line feeds, tabs and
// spaces trimmed from both ends. False when the header is missing.
bool ParseLocation(std::string_view block, std::string& value);

// The first "Set-Cookie:" value (to the end of its line). False when there is none.
bool FindSetCookie(std::string_view block, std::string& value);

// Percent-escapes a request target. The characters " <>\"#{}|\\^~[]'" and every control
// character (below 0x20, and 0x7F) become "%" and two upper-case hex digits; a "%" stays as
// it is when two hex digits follow it (the target is already escaped there) and becomes "%25"
// otherwise. Everything else is copied.
std::wstring EscapeRequestTarget(const std::wstring& target);
// Escapes only the control characters of a header value, so that no value can end its line
// early and add a header of its own.
std::wstring EscapeControlCharacters(const std::wstring& value);

}  // namespace ferrow
