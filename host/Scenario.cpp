#include "host/Scenario.h"

#include "host/HostText.h"

namespace vemohost {

namespace {

constexpr long long kCoordinateLimit = 100000;

struct StepEntry {
    const char* name;
    StepKind kind;
};

const StepEntry kSteps[] = {
    {"open", StepKind::Open},   {"wait", StepKind::Wait},       {"ticks", StepKind::Ticks},
    {"idle", StepKind::Idle},   {"move", StepKind::Move},       {"down", StepKind::Down},
    {"up", StepKind::Up},       {"click", StepKind::Click},     {"drag", StepKind::Drag},
    {"key", StepKind::Key},     {"keydown", StepKind::KeyDown}, {"keyup", StepKind::KeyUp},
    {"menu", StepKind::Menu},   {"dialog", StepKind::Dialog},   {"resize", StepKind::Resize},
    {"print", StepKind::Print}, {"capture", StepKind::Capture}, {"close", StepKind::Close},
    {"fail", StepKind::Fail},   {"log", StepKind::Log},         {"quit", StepKind::Quit},
};

// The words of a step after its verb, consumed from the front; options (name=value) and flags
// are taken out first, so they may stand anywhere.
class StepReader {
public:
    StepReader(std::vector<std::string> words, std::string& error)
        : words_(std::move(words)), error_(error) {}

    bool Flag(const char* name) {
        for (size_t i = 0; i < words_.size(); ++i) {
            if (!quoted_[i] && EqualsNoCase(words_[i], name)) {
                Remove(i);
                return true;
            }
        }
        return false;
    }

    // name=value; false only on a malformed value (the error is set).
    bool Option(const char* name, std::string& value, bool& found) {
        std::string prefix = std::string(name) + "=";
        found = false;
        for (size_t i = 0; i < words_.size(); ++i) {
            if (!quoted_[i] && words_[i].size() >= prefix.size() &&
                EqualsNoCase(std::string_view(words_[i]).substr(0, prefix.size()), prefix)) {
                value = words_[i].substr(prefix.size());
                found = true;
                Remove(i);
                return true;
            }
        }
        return true;
    }

    bool IntOption(const char* name, long long minimum, long long maximum, int& value) {
        std::string text;
        bool found = false;
        Option(name, text, found);
        if (!found) {
            return true;
        }
        long long parsed = 0;
        if (!ParseInteger(text, minimum, maximum, parsed)) {
            error_ = std::string(name) + "= wants a number from " + std::to_string(minimum) +
                     " to " + std::to_string(maximum);
            return false;
        }
        value = static_cast<int>(parsed);
        return true;
    }

    bool Text(const char* what, std::string& out) {
        if (words_.empty()) {
            error_ = std::string("missing ") + what;
            return false;
        }
        out = words_.front();
        Remove(0);
        return true;
    }

    bool Number(const char* what, long long minimum, long long maximum, long long& out) {
        std::string text;
        if (!Text(what, text)) {
            return false;
        }
        if (!ParseInteger(text, minimum, maximum, out)) {
            error_ = std::string(what) + " wants a number from " + std::to_string(minimum) +
                     " to " + std::to_string(maximum) + ", not " + QuoteForLog(text);
            return false;
        }
        return true;
    }

    bool Coordinate(const char* what, int& out) {
        long long value = 0;
        if (!Number(what, -kCoordinateLimit, kCoordinateLimit, value)) {
            return false;
        }
        out = static_cast<int>(value);
        return true;
    }

    bool Empty() const { return words_.empty(); }

    bool End() {
        if (!words_.empty()) {
            error_ = "unexpected " + QuoteForLog(words_.front());
            return false;
        }
        return true;
    }

    void SetQuoted(std::vector<bool> quoted) { quoted_ = std::move(quoted); }
    bool FrontQuoted() const { return !quoted_.empty() && quoted_.front(); }
    const std::string& Front() const { return words_.front(); }

private:
    void Remove(size_t i) {
        words_.erase(words_.begin() + static_cast<long>(i));
        quoted_.erase(quoted_.begin() + static_cast<long>(i));
    }

    std::vector<std::string> words_;
    std::vector<bool> quoted_;
    std::string& error_;
};

// Splits, and marks which words were quoted (a quoted word is never a flag or an option).
bool SplitWordsMarked(std::string_view line, std::vector<std::string>& words,
                      std::vector<bool>& quoted, std::string& error) {
    words.clear();
    quoted.clear();
    size_t i = 0;
    for (;;) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        // A comment: '#' as the line's first word, or '#' standing alone ("# note").
        if (i >= line.size() ||
            (line[i] == '#' && (words.empty() || i + 1 >= line.size() || line[i + 1] == ' ' ||
                                line[i + 1] == '\t' || line[i + 1] == '\r'))) {
            return true;
        }
        std::string word;
        bool wasQuoted = false;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
            if (line[i] == '"') {
                wasQuoted = true;
                ++i;
                bool closed = false;
                while (i < line.size()) {
                    if (line[i] == '\\' && i + 1 < line.size() &&
                        (line[i + 1] == '"' || line[i + 1] == '\\')) {
                        word.push_back(line[i + 1]);
                        i += 2;
                    } else if (line[i] == '"') {
                        ++i;
                        closed = true;
                        break;
                    } else {
                        word.push_back(line[i++]);
                    }
                }
                if (!closed) {
                    error = "unterminated quote";
                    return false;
                }
            } else {
                word.push_back(line[i++]);
            }
        }
        words.push_back(std::move(word));
        quoted.push_back(wasQuoted);
    }
}

bool ReadInstance(StepReader& reader, Step& step, std::string& error, bool allowPage) {
    std::string value;
    bool found = false;
    reader.Option("in", value, found);
    if (!found) {
        return true;
    }
    if (allowPage && EqualsNoCase(value, "page")) {
        step.instance = kPageTarget;
        return true;
    }
    if (allowPage && EqualsNoCase(value, "window")) {
        step.instance = kWindowTarget;
        return true;
    }
    long long number = 0;
    if (!ParseInteger(value, 1, 1000, number)) {
        error = allowPage ? "in= wants an instance number (1, 2, ...), page or window"
                          : "in= wants an instance number (1, 2, ...)";
        return false;
    }
    step.instance = static_cast<int>(number);
    return true;
}

bool ReadPointerOptions(StepReader& reader, Step& step, std::string& error) {
    if (reader.Flag("right")) {
        step.button = MouseButton::Right;
    } else if (reader.Flag("middle")) {
        step.button = MouseButton::Middle;
    } else {
        reader.Flag("left");
    }
    step.shift = reader.Flag("shift");
    step.ctrl = reader.Flag("ctrl");
    return ReadInstance(reader, step, error, false);
}

bool ReadControl(StepReader& reader, const char* what, DialogAction& action) {
    bool quoted = !reader.Empty() && reader.FrontQuoted();
    if (!reader.Text(what, action.text)) {
        return false;
    }
    long long id = 0;
    if (!quoted && action.text.size() > 1 && action.text[0] == '#' &&
        ParseInteger(std::string_view(action.text).substr(1), 0, 65535, id)) {
        action.controlId = static_cast<int>(id);
        action.text.clear();
    }
    return true;
}

bool ReadDialogActions(StepReader& reader, Step& step, std::string& error) {
    while (!reader.Empty()) {
        std::string verb;
        reader.Text("dialog action", verb);
        DialogAction action;
        std::string lower = LowerCopy(verb);
        if (lower == "button") {
            action.kind = DialogActionKind::Button;
            if (!ReadControl(reader, "button text or #ID", action)) {
                return false;
            }
        } else if (lower == "check" || lower == "uncheck") {
            action.kind = lower == "check" ? DialogActionKind::Check : DialogActionKind::Uncheck;
            if (!ReadControl(reader, "check box text or #ID", action)) {
                return false;
            }
        } else if (lower == "edit") {
            action.kind = DialogActionKind::Edit;
            std::string id;
            long long number = 0;
            if (!reader.Text("#ID of the edit field", id) || id.size() < 2 || id[0] != '#' ||
                !ParseInteger(std::string_view(id).substr(1), 0, 65535, number)) {
                error = "edit wants #ID and a text";
                return false;
            }
            action.controlId = static_cast<int>(number);
            if (!reader.Text("edit text", action.text)) {
                return false;
            }
        } else if (lower == "file") {
            action.kind = DialogActionKind::File;
            if (!reader.Text("file name", action.text)) {
                return false;
            }
        } else if (lower == "capture") {
            action.kind = DialogActionKind::Capture;
            if (!reader.Text("capture file", action.text)) {
                return false;
            }
        } else if (lower == "ok") {
            action.kind = DialogActionKind::Ok;
        } else if (lower == "cancel") {
            action.kind = DialogActionKind::Cancel;
        } else {
            error = "unknown dialog action " + QuoteForLog(verb) +
                    " (button, check, uncheck, edit, file, capture, ok, cancel)";
            return false;
        }
        step.actions.push_back(std::move(action));
    }
    return true;
}

bool ParseWords(std::vector<std::string> words, std::vector<bool> quoted, Step& step,
                std::string& error) {
    std::string verb = LowerCopy(words.front());
    words.erase(words.begin());
    quoted.erase(quoted.begin());
    bool known = false;
    for (const StepEntry& entry : kSteps) {
        if (verb == entry.name) {
            step.kind = entry.kind;
            known = true;
            break;
        }
    }
    if (!known) {
        error = "unknown step " + QuoteForLog(verb);
        return false;
    }
    StepReader reader(std::move(words), error);
    reader.SetQuoted(std::move(quoted));
    if (!reader.IntOption("timeout", 0, 3600000, step.timeoutMs)) {
        return false;
    }
    long long number = 0;
    switch (step.kind) {
    case StepKind::Open:
        if (!reader.Text("address", step.text)) {
            return false;
        }
        break;
    case StepKind::Wait:
        if (!reader.Number("milliseconds", 0, 3600000, step.number)) {
            return false;
        }
        break;
    case StepKind::Ticks:
        if (!ReadInstance(reader, step, error, false) ||
            !reader.Number("tick count", 1, 100000, step.number)) {
            return false;
        }
        break;
    case StepKind::Idle:
        break;
    case StepKind::Move:
        if (!ReadInstance(reader, step, error, false) || !reader.Coordinate("x", step.x) ||
            !reader.Coordinate("y", step.y)) {
            return false;
        }
        break;
    case StepKind::Down:
    case StepKind::Up:
    case StepKind::Click:
        if (!ReadPointerOptions(reader, step, error) || !reader.Coordinate("x", step.x) ||
            !reader.Coordinate("y", step.y)) {
            return false;
        }
        break;
    case StepKind::Drag:
        if (!ReadPointerOptions(reader, step, error) ||
            !reader.IntOption("steps", 1, 1000, step.dragSteps) ||
            !reader.Coordinate("x1", step.x) || !reader.Coordinate("y1", step.y) ||
            !reader.Coordinate("x2", step.x2) || !reader.Coordinate("y2", step.y2)) {
            return false;
        }
        break;
    case StepKind::Key:
    case StepKind::KeyDown:
    case StepKind::KeyUp:
        if (step.kind == StepKind::Key) {
            step.shift = reader.Flag("shift");
            step.ctrl = reader.Flag("ctrl");
        }
        if (!reader.Text("key name", step.text)) {
            return false;
        }
        step.virtualKey = VirtualKeyFromName(step.text);
        if (step.virtualKey == 0) {
            error = "unknown key " + QuoteForLog(step.text);
            return false;
        }
        break;
    case StepKind::Menu: {
        bool quotedItem = !reader.Empty() && reader.FrontQuoted();
        if (!reader.Text("menu item", step.text)) {
            return false;
        }
        step.number = -1;
        if (!quotedItem && EqualsNoCase(step.text, "cancel")) {
            step.menuCancel = true;
        } else if (!quotedItem && step.text.size() > 1 && step.text[0] == '#') {
            if (!ParseInteger(std::string_view(step.text).substr(1), 1, 1000, step.number)) {
                error = "menu #N wants an item number from 1";
                return false;
            }
        }
        break;
    }
    case StepKind::Dialog:
        if (!ReadDialogActions(reader, step, error)) {
            return false;
        }
        break;
    case StepKind::Resize:
        if (!reader.Number("width", 1, 10000, number)) {
            return false;
        }
        step.x = static_cast<int>(number);
        if (!reader.Number("height", 1, 10000, number)) {
            return false;
        }
        step.y = static_cast<int>(number);
        break;
    case StepKind::Print: {
        int scale = 1;
        if (!reader.IntOption("scale", 1, 8, scale) || !reader.Text("image file", step.text)) {
            return false;
        }
        step.number = scale;
        break;
    }
    case StepKind::Capture: {
        std::string method;
        bool found = false;
        reader.Option("method", method, found);
        if (found) {
            if (EqualsNoCase(method, "print")) {
                step.capturePrint = true;
            } else if (!EqualsNoCase(method, "screen")) {
                error = "method= is screen or print";
                return false;
            }
        }
        if (!ReadInstance(reader, step, error, true) || !reader.Text("image file", step.text)) {
            return false;
        }
        break;
    }
    case StepKind::Close:
    case StepKind::Quit:
        break;
    case StepKind::Fail: {
        std::string target, mode;
        if (!reader.Text("what to fail (geturl, memalloc)", target) ||
            !reader.Text("mode (always, once, off)", mode)) {
            return false;
        }
        if (EqualsNoCase(target, "geturl")) {
            step.failTarget = FailTarget::GetUrl;
        } else if (EqualsNoCase(target, "memalloc")) {
            step.failTarget = FailTarget::MemAlloc;
        } else {
            error = "fail geturl or fail memalloc";
            return false;
        }
        if (EqualsNoCase(mode, "always")) {
            step.failMode = FailMode::Always;
        } else if (EqualsNoCase(mode, "once")) {
            step.failMode = FailMode::Once;
        } else if (EqualsNoCase(mode, "off")) {
            step.failMode = FailMode::Off;
        } else {
            error = "fail mode is always, once or off";
            return false;
        }
        break;
    }
    case StepKind::Log:
        if (!reader.Text("text", step.text)) {
            return false;
        }
        while (!reader.Empty()) {
            std::string more;
            reader.Text("text", more);
            step.text += " " + more;
        }
        break;
    }
    return reader.End();
}

} // namespace

bool SplitWords(std::string_view line, std::vector<std::string>& words, std::string& error) {
    std::vector<bool> quoted;
    return SplitWordsMarked(line, words, quoted, error);
}

bool ParseStep(std::string_view line, int lineNumber, Step& step, std::string& error) {
    std::vector<std::string> words;
    std::vector<bool> quoted;
    error.clear();
    if (!SplitWordsMarked(line, words, quoted, error) || words.empty()) {
        return false;
    }
    step = Step();
    step.line = lineNumber;
    return ParseWords(std::move(words), std::move(quoted), step, error);
}

bool ParseScenario(std::string_view text, std::vector<Step>& steps, std::string& error) {
    steps.clear();
    int lineNumber = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string_view line = text.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        ++lineNumber;
        Step step;
        std::string stepError;
        if (ParseStep(line, lineNumber, step, stepError)) {
            steps.push_back(std::move(step));
        } else if (!stepError.empty()) {
            error = "line " + std::to_string(lineNumber) + ": " + stepError;
            return false;
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return true;
}

int VirtualKeyFromName(std::string_view name) {
    static const struct {
        const char* name;
        int key;
    } keys[] = {{"escape", 0x1B},   {"esc", 0x1B},   {"return", 0x0D},    {"enter", 0x0D},
                {"tab", 0x09},      {"space", 0x20}, {"backspace", 0x08}, {"delete", 0x2E},
                {"insert", 0x2D},   {"home", 0x24},  {"end", 0x23},       {"pageup", 0x21},
                {"pagedown", 0x22}, {"left", 0x25},  {"up", 0x26},        {"right", 0x27},
                {"down", 0x28},     {"shift", 0x10}, {"ctrl", 0x11},      {"control", 0x11},
                {"alt", 0x12},      {"menu", 0x12}};
    for (const auto& entry : keys) {
        if (EqualsNoCase(name, entry.name)) {
            return entry.key;
        }
    }
    if (name.size() == 1) {
        char c = LowerAscii(name[0]);
        if (c >= 'a' && c <= 'z') {
            return 'A' + (c - 'a');
        }
        if (c >= '0' && c <= '9') {
            return c;
        }
    }
    if (name.size() >= 2 && LowerAscii(name[0]) == 'f') {
        long long n = 0;
        if (ParseInteger(name.substr(1), 1, 12, n)) {
            return 0x70 + static_cast<int>(n) - 1;
        }
    }
    return 0;
}

const char* StepName(StepKind kind) {
    for (const StepEntry& entry : kSteps) {
        if (entry.kind == kind) {
            return entry.name;
        }
    }
    return "?";
}

} // namespace vemohost
