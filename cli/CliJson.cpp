// CliJson.cpp - JSON strings and objects of the quorvel tool.
#include "CliJson.h"

#include "CliText.h"
#include "ZephBuf.h"
#include "ZephStr.h"

int CliAppendJsonString(ZephBuf* out, const char* text, int32_t length) {
    if (out->append("\"", 1) != 0)
        return -1;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text != nullptr ? text : "");
    if (text == nullptr || length < 0)
        length = ZephStrLength(reinterpret_cast<const char*>(bytes));
    for (int32_t i = 0; i < length; ++i) {
        unsigned char c = bytes[i];
        char escaped[2] = {'\\', static_cast<char>(c)};
        int result = 0;
        if (c == '"' || c == '\\') {
            result = out->append(escaped, 2);
        } else if (c == '\n') {
            result = out->append("\\n", 2);
        } else if (c == '\r') {
            result = out->append("\\r", 2);
        } else if (c == '\t') {
            result = out->append("\\t", 2);
        } else if (c < 0x20 || c == 0x7F) {
            result = out->appendFormat("\\u%04x", static_cast<unsigned>(c));
        } else if (c < 0x80) {
            result = out->append(reinterpret_cast<const char*>(bytes + i), 1);
        } else {
            int sequence = CliUtf8Length(bytes + i, length - i);
            if (sequence > 0) {
                result = out->append(reinterpret_cast<const char*>(bytes + i), sequence);
                i += sequence - 1;
            } else {
                result = out->appendFormat("\\u%04x", static_cast<unsigned>(c));
            }
        }
        if (result != 0)
            return -1;
    }
    return out->append("\"", 1);
}

CliJsonLine::CliJsonLine(ZephBuf* out, const char* type) : out_(out) {
    failed_ = out_->append("{\"type\":", 8) != 0 || CliAppendJsonString(out_, type) != 0;
}

void CliJsonLine::key(const char* name) {
    failed_ = failed_ || out_->appendFormat(opened_ ? "\"%s\":" : ",\"%s\":", name) != 0;
    opened_ = false;
}

CliJsonLine& CliJsonLine::text(const char* name, const char* value) {
    key(name);
    if (value == nullptr)
        failed_ = failed_ || out_->append("null", 4) != 0;
    else
        failed_ = failed_ || CliAppendJsonString(out_, value) != 0;
    return *this;
}

CliJsonLine& CliJsonLine::bytes(const char* name, const char* value, int32_t length) {
    key(name);
    failed_ = failed_ || CliAppendJsonString(out_, value, length < 0 ? 0 : length) != 0;
    return *this;
}

CliJsonLine& CliJsonLine::number(const char* name, int64_t value) {
    key(name);
    failed_ = failed_ || out_->appendFormat("%lld", static_cast<long long>(value)) != 0;
    return *this;
}

CliJsonLine& CliJsonLine::flag(const char* name, bool value) {
    key(name);
    failed_ = failed_ || out_->append(value ? "true" : "false", value ? 4 : 5) != 0;
    return *this;
}

CliJsonLine& CliJsonLine::object(const char* name) {
    key(name);
    failed_ = failed_ || out_->append("{", 1) != 0;
    opened_ = true;
    return *this;
}

CliJsonLine& CliJsonLine::close() {
    failed_ = failed_ || out_->append("}", 1) != 0;
    opened_ = false;
    return *this;
}

int CliJsonLine::end() {
    failed_ = failed_ || out_->append("}\n", 2) != 0;
    return failed_ ? -1 : 0;
}
