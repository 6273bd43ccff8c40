// TextBuffer: the heap text value that holds every text the plug-in builds at run time.
//
// Characters are single bytes in the system's ANSI code page. A buffer either has no text
// (text null, length 0) or owns a zero-terminated array of its own; no two buffers share one.
// Allocation failures are not reported: the operation that could not allocate leaves the
// buffer empty (or, where it says so, unchanged).
#pragma once

#include <stdint.h>

#ifdef _WIN32
// windows.h maps LoadString to LoadStringA/W; the operation below keeps its own name in every
// translation unit, whichever header comes first.
#include <windows.h>
#undef LoadString
#endif

class TextBuffer {
public:
    int32_t length = 0;   // characters, not counting the terminating zero
    char* text = nullptr; // owned, or null

    TextBuffer() = default;
    explicit TextBuffer(const char* source);
    TextBuffer(const TextBuffer& other);
    ~TextBuffer();

    TextBuffer& operator=(const TextBuffer& other);
    TextBuffer& operator=(const char* source);

    // Appends the other buffer's text; the length becomes the sum of both lengths.
    void Append(const TextBuffer& other);

    // Loads a string of the library's string table (at most 254 characters). False, with no
    // text, when the id has none. Windows builds only.
    bool LoadString(uint32_t id);

    // The text; when length is below minimumCapacity it first moves to an array with room for
    // that many characters. 1 gives a text that is never null; 0 may give null.
    char* GetText(int32_t minimumCapacity);

    // Writes the part after the last '\\' or '/' into destination: at most capacity - 1
    // characters, zero-terminated, and a zero at destination[capacity] as well, so the
    // destination must hold capacity + 1 characters. Nothing for a capacity below 1.
    void GetFileNamePart(char* destination, int32_t capacity) const;

    // 0 for a text ending in ".web", 1 for ".vem", 2 otherwise (case counts; 4 characters or
    // fewer are always 2).
    int32_t GetDocumentKind() const;

    // left := the first position characters (one more with includeFlag), right := the rest
    // (empty when none remain). Either may be null or this buffer. Nothing happens without
    // text, for a length below 1 or below position, or a negative position.
    void SplitAt(TextBuffer* left, TextBuffer* right, int32_t position, int32_t includeFlag);
    // SplitAt at the character that pointer designates; nothing when it is not one of the
    // first length characters.
    void SplitAtPointer(TextBuffer* left, TextBuffer* right, const char* pointer,
                        int32_t includeFlag);

    // Removes the characters first..last inclusive. Ignored unless 0 <= first <= last < length.
    void EraseRange(int32_t first, int32_t last);

    int32_t FindChar(char c) const;
    int32_t Find(const TextBuffer& pattern) const;
    int32_t FindLastChar(char c) const;

    bool HasText() const { return text != nullptr; }

private:
    // Replaces the text by a copy of count characters at source (null source: no text).
    void Assign(const char* source, int32_t count);
    void Release();
};
