#include "backend/Trace.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "backend/TracingMediaCommandPort.h"
#include "base/Json.h"
#include "base/VbError.h"

namespace zarn {
namespace {

template <class Integer>
void AppendInteger(std::string& out, Integer value) {
  char buf[24];
  out.append(buf, std::to_chars(buf, buf + sizeof buf, value).ptr);
}

void AppendNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.15g", value);
  out += buf;
}

void AppendValue(std::string& out, const TraceValue& value, bool json) {
  if (const auto* s = std::get_if<std::string>(&value)) {
    if (json) {
      AppendJsonString(out, *s);
    } else {
      out += '"';
      out += *s;
      out += '"';
    }
  } else if (const auto* i = std::get_if<int64_t>(&value)) {
    AppendInteger(out, *i);
  } else if (const auto* d = std::get_if<double>(&value)) {
    AppendNumber(out, *d);
  } else {
    out += std::get<bool>(value) ? "true" : "false";
  }
}

// "12.345": printf would cost more than the rest of a record.
void AppendSeconds(std::string& out, int64_t millis) {
  char buf[32];
  char* end = std::to_chars(buf, buf + 24, millis / 1000).ptr;
  const int64_t rest = std::llabs(millis % 1000);
  *end++ = '.';
  *end++ = static_cast<char>('0' + rest / 100);
  *end++ = static_cast<char>('0' + rest / 10 % 10);
  *end++ = static_cast<char>('0' + rest % 10);
  out.append(buf, end);
}

// A buffer is written out once it holds this much.
constexpr size_t kBufferBytes = 64 * 1024;

void WriteOut(std::ostream* out, std::string& buffer) {
  if (out == nullptr || buffer.empty()) return;
  out->write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
  out->flush();
  buffer.clear();
}

}  // namespace

Trace::~Trace() { Flush(); }

void Trace::OpenJsonFile(const std::string& path) {
  auto file = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
  if (!*file) throw VbError(vberr::kPathFileAccess, "Cannot write the trace file " + path);
  WriteOut(json_, json_buffer_);
  json_ = file.get();
  json_buffered_ = true;
  owned_json_ = std::move(file);
}

void Trace::SetJsonStream(std::ostream* out) {
  WriteOut(json_, json_buffer_);
  json_ = out;
  json_buffered_ = false;
}

void Trace::SetTimelineStream(std::ostream* out, bool line_by_line) {
  WriteOut(timeline_, timeline_buffer_);
  timeline_ = out;
  timeline_buffered_ = !line_by_line;
}

void Trace::Flush() {
  WriteOut(json_, json_buffer_);
  WriteOut(timeline_, timeline_buffer_);
}

namespace {

// Both forms append to the buffer they go to: a string per record would
// cost an allocation each.
void AppendJson(std::string& out, const TraceRecord& record, int64_t millis) {
  out += "{\"t\":";
  AppendSeconds(out, millis);
  out += ",\"kind\":";
  AppendJsonString(out, record.kind);
  out += ",\"op\":";
  AppendJsonString(out, record.op);
  if (record.character) {
    out += ",\"char\":";
    AppendJsonString(out, *record.character);
  }
  if (!record.args.empty()) {
    out += ",\"args\":[";
    for (size_t i = 0; i < record.args.size(); ++i) {
      if (i) out += ',';
      AppendValue(out, record.args[i], true);
    }
    out += ']';
  }
  if (record.req) {
    out += ",\"req\":";
    AppendInteger(out, *record.req);
  }
  if (record.status) {
    out += ",\"status\":";
    AppendInteger(out, *record.status);
  }
  if (record.result) {
    out += ",\"result\":";
    AppendValue(out, *record.result, true);
  }
  if (record.error) {
    out += ",\"error\":";
    AppendJsonString(out, *record.error);
  }
  out += '}';
}

void AppendTimeline(std::string& out, const TraceRecord& record, int64_t millis) {
  const size_t start = out.size();
  AppendSeconds(out, millis);
  const size_t time = out.size() - start;
  if (time < 7) out.insert(start, 7 - time, ' ');
  out += ' ';
  out += record.kind;
  if (record.kind.size() < 6) out.append(6 - record.kind.size(), ' ');
  out += ' ';
  if (record.character) {
    out += *record.character;
    out += '.';
  }
  out += record.op;
  for (size_t i = 0; i < record.args.size(); ++i) {
    out += i ? ", " : " ";
    AppendValue(out, record.args[i], false);
  }
  if (record.req) {
    out += record.kind == "call" ? " -> #" : " #";
    AppendInteger(out, *record.req);
  }
  if (record.status) {
    out += " status ";
    AppendInteger(out, *record.status);
  }
  if (record.result) {
    out += " = ";
    AppendValue(out, *record.result, false);
  }
  if (IsNotOpenAnswer(record)) {
    out += " (not open)";
  } else if (record.error) {
    out += " ! ";
    out += *record.error;
  }
}

}  // namespace

std::string Trace::ToJson(const TraceRecord& record, int64_t millis) {
  std::string out;
  AppendJson(out, record, millis);
  return out;
}

std::string Trace::ToTimeline(const TraceRecord& record, int64_t millis) {
  std::string out;
  out.reserve(80);
  AppendTimeline(out, record, millis);
  return out;
}

void Trace::Write(const TraceRecord& record) {
  if (!Enabled()) return;
  const int64_t now = clock_ ? clock_() : 0;
  if (json_) {
    AppendJson(json_buffer_, record, now);
    if (client_of_) {
      if (const std::string client = client_of_(record); !client.empty()) {
        json_buffer_.pop_back();  // the closing brace
        json_buffer_ += ",\"client\":";
        AppendJsonString(json_buffer_, client);
        json_buffer_ += '}';
      }
    }
    json_buffer_ += '\n';
    if (!json_buffered_ || json_buffer_.size() >= kBufferBytes) WriteOut(json_, json_buffer_);
  }
  if (timeline_) {
    AppendTimeline(timeline_buffer_, record, now);
    timeline_buffer_ += '\n';
    if (!timeline_buffered_ || timeline_buffer_.size() >= kBufferBytes) {
      WriteOut(timeline_, timeline_buffer_);
    }
  }
}

}  // namespace zarn
