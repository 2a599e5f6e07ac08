#include "cli/WorkerMessages.h"

namespace mshtool {
namespace {

void putNumber(std::string& out, uint64_t value) {
    for (int i = 0; i < 8; ++i)
        out += char((value >> (8 * i)) & 0xFF);
}

void putText(std::string& out, const std::string& text) {
    putNumber(out, text.size());
    out += text;
}

class FrameReader {
public:
    explicit FrameReader(const std::string& frame) : bytes(frame) {}

    bool number(uint64_t& value) {
        if (bytes.size() - at < 8)
            return false;
        value = 0;
        for (int i = 0; i < 8; ++i)
            value |= uint64_t((unsigned char)bytes[at + size_t(i)]) << (8 * i);
        at += 8;
        return true;
    }

    bool text(std::string& value) {
        uint64_t size = 0;
        if (!number(size) || bytes.size() - at < size)
            return false;
        value = bytes.substr(at, size_t(size));
        at += size_t(size);
        return true;
    }

    bool atEnd() const { return at == bytes.size(); }

private:
    const std::string& bytes;
    size_t at = 1; // after the kind
};

} // namespace

std::string encodeReport(const WorkerReport& report) {
    std::string out(1, char(report.kind));
    if (report.kind == WorkerReport::staging) {
        putText(out, report.stagingFolder);
    } else if (report.kind == WorkerReport::result) {
        putNumber(out, report.index);
        putNumber(out, uint64_t(int64_t(report.code)));
        putText(out, report.record);
        putNumber(out, report.output.size());
        for (const CapturedText& text : report.output) {
            putNumber(out, text.toStderr ? 1 : 0);
            putText(out, text.text);
        }
    }
    return out;
}

bool decodeReport(const std::string& frame, WorkerReport& report) {
    if (frame.empty())
        return false;
    report = WorkerReport();
    report.kind = WorkerReport::Kind(frame[0]);
    FrameReader in(frame);
    switch (report.kind) {
    case WorkerReport::ready:
        return in.atEnd();
    case WorkerReport::staging:
        return in.text(report.stagingFolder) && in.atEnd();
    case WorkerReport::result: {
        uint64_t code = 0, texts = 0;
        if (!in.number(report.index) || !in.number(code) || !in.text(report.record) ||
            !in.number(texts))
            return false;
        report.code = int(int64_t(code));
        for (uint64_t i = 0; i < texts; ++i) {
            uint64_t toStderr = 0;
            CapturedText text{false, std::string()};
            if (!in.number(toStderr) || !in.text(text.text))
                return false;
            text.toStderr = toStderr != 0;
            report.output.push_back(text);
        }
        return in.atEnd();
    }
    }
    return false;
}

std::string encodeNextFile(uint64_t index) {
    std::string out(1, 'I');
    putNumber(out, index);
    return out;
}

bool decodeNextFile(const std::string& frame, uint64_t& index) {
    FrameReader in(frame);
    return !frame.empty() && frame[0] == 'I' && in.number(index) && in.atEnd();
}

} // namespace mshtool
