#include "plugin/TextBuffer.h"

#include <new>
#include <string.h>

namespace {

// A fresh zero-terminated copy of count characters, or null when memory runs out.
char* CopyOf(const char* source, int32_t count, int32_t capacity) {
    char* copy = new (std::nothrow) char[static_cast<size_t>(capacity) + 1];
    if (copy == nullptr) {
        return nullptr;
    }
    if (count > 0) {
        memcpy(copy, source, static_cast<size_t>(count));
    }
    copy[count] = '\0';
    return copy;
}

int32_t LengthOf(const char* source) {
    size_t n = strlen(source);
    return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n);
}

} // namespace

TextBuffer::TextBuffer(const char* source) {
    if (source != nullptr) {
        Assign(source, LengthOf(source));
    }
}

TextBuffer::TextBuffer(const TextBuffer& other) { Assign(other.text, other.length); }

TextBuffer::~TextBuffer() { Release(); }

TextBuffer& TextBuffer::operator=(const TextBuffer& other) {
    if (this != &other) {
        Assign(other.text, other.length);
    }
    return *this;
}

TextBuffer& TextBuffer::operator=(const char* source) {
    if (source == nullptr) {
        Release();
    } else {
        Assign(source, LengthOf(source));
    }
    return *this;
}

void TextBuffer::Release() {
    delete[] text;
    text = nullptr;
    length = 0;
}

void TextBuffer::Assign(const char* source, int32_t count) {
    char* copy = nullptr;
    if (source != nullptr) {
        copy = CopyOf(source, count, count);
        if (copy == nullptr) {
            count = 0;
        }
    } else {
        count = 0;
    }
    delete[] text;
    text = copy;
    length = count;
}

void TextBuffer::Append(const TextBuffer& other) {
    if (other.text == nullptr) {
        return;
    }
    if (text == nullptr) {
        Assign(other.text, other.length);
        return;
    }
    if (other.length > INT32_MAX - length) {
        return;
    }
    int32_t total = length + other.length;
    char* joined = CopyOf(text, length, total);
    if (joined == nullptr) {
        return;
    }
    // other may be this buffer: its text is still intact here.
    memcpy(joined + length, other.text, static_cast<size_t>(other.length));
    joined[total] = '\0';
    delete[] text;
    text = joined;
    length = total;
}

char* TextBuffer::GetText(int32_t minimumCapacity) {
    if (length < minimumCapacity) {
        char* larger = CopyOf(text, text != nullptr ? length : 0, minimumCapacity);
        if (larger != nullptr) {
            delete[] text;
            text = larger;
        }
    }
    return text;
}

void TextBuffer::GetFileNamePart(char* destination, int32_t capacity) const {
    if (destination == nullptr || capacity < 1) {
        return;
    }
    destination[capacity] = '\0';
    if (text == nullptr || length < 1) {
        destination[0] = '\0';
        return;
    }
    int32_t start = 0;
    for (int32_t i = length - 1; i >= 0; --i) {
        if (text[i] == '\\' || text[i] == '/') {
            start = i + 1;
            break;
        }
    }
    int32_t count = length - start;
    if (count > capacity - 1) {
        count = capacity - 1;
    }
    memcpy(destination, text + start, static_cast<size_t>(count));
    destination[count] = '\0';
}

int32_t TextBuffer::GetDocumentKind() const {
    if (text == nullptr || length <= 4) {
        return 2;
    }
    const char* tail = text + length - 4;
    if (memcmp(tail, ".web", 4) == 0) {
        return 0;
    }
    if (memcmp(tail, ".vem", 4) == 0) {
        return 1;
    }
    return 2;
}

void TextBuffer::SplitAt(TextBuffer* left, TextBuffer* right, int32_t position,
                         int32_t includeFlag) {
    if (text == nullptr || length < 1 || length < position || position < 0) {
        return;
    }
    int32_t leftCount = position;
    if (includeFlag != 0 && leftCount < length) {
        ++leftCount;
    }
    // Build both parts before either output is written: an output may be this buffer.
    TextBuffer leftPart;
    TextBuffer rightPart;
    leftPart.Assign(text, leftCount);
    rightPart.Assign(text + leftCount, length - leftCount);
    if (left != nullptr) {
        *left = leftPart;
    }
    if (right != nullptr) {
        *right = rightPart;
    }
}

void TextBuffer::SplitAtPointer(TextBuffer* left, TextBuffer* right, const char* pointer,
                                int32_t includeFlag) {
    if (text == nullptr || pointer < text || pointer >= text + length) {
        return;
    }
    SplitAt(left, right, static_cast<int32_t>(pointer - text), includeFlag);
}

void TextBuffer::EraseRange(int32_t first, int32_t last) {
    if (text == nullptr || length < 1 || first < 0 || last < first || last >= length) {
        return;
    }
    memmove(text + first, text + last + 1, static_cast<size_t>(length - last));
    length -= last - first + 1;
}

int32_t TextBuffer::FindChar(char c) const {
    for (int32_t i = 0; i < length; ++i) {
        if (text[i] == c) {
            return i;
        }
    }
    return -1;
}

int32_t TextBuffer::FindLastChar(char c) const {
    for (int32_t i = length - 1; i >= 0; --i) {
        if (text[i] == c) {
            return i;
        }
    }
    return -1;
}

int32_t TextBuffer::Find(const TextBuffer& pattern) const {
    if (text == nullptr || pattern.text == nullptr || pattern.length > length) {
        return -1;
    }
    for (int32_t i = 0; i + pattern.length <= length; ++i) {
        if (memcmp(text + i, pattern.text, static_cast<size_t>(pattern.length)) == 0) {
            return i;
        }
    }
    return -1;
}
