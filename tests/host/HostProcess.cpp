#include "HostProcess.h"

#include "support/TestFiles.h"

#include <windows.h>

#include <cstdio>
#include <fstream>

namespace hosttest {

namespace {

using testfiles::WindowsPath;

std::string Quote(const std::string& arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
        return arg;
    }
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out.push_back(c);
    }
    out.append(backslashes * 2, '\\');
    return out + "\"";
}

} // namespace

std::string PluginFolder() {
    return WindowsPath(buildpaths::BinaryDir() + "/tests/host/plugins");
}

int HostRun::Find(const std::string& prefix, int from) const {
    for (size_t i = from < 0 ? 0 : static_cast<size_t>(from); i < lines.size(); ++i) {
        if (lines[i].compare(0, prefix.size(), prefix) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int HostRun::Count(const std::string& prefix) const {
    int n = 0;
    for (const std::string& line : lines) {
        n += line.compare(0, prefix.size(), prefix) == 0;
    }
    return n;
}

std::string HostRun::Text() const {
    std::string out;
    for (const std::string& line : lines) {
        out += line + "\n";
    }
    return out;
}

HostRun RunHost(const std::vector<std::string>& args, const std::string& folder, int timeoutMs) {
    HostRun run;
    std::string command = Quote(WindowsPath(buildpaths::BinaryDir() + "/host/vemohost.exe")) + " --plugins " + Quote(PluginFolder());
    for (const std::string& arg : args) {
        command += " " + Quote(arg);
    }
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        return run;
    }
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command.begin(), command.end());
    line.push_back(0);
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  folder.c_str(), &startup, &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return run;
    }
    std::string output;
    DWORD start = GetTickCount();
    for (;;) {
        DWORD available = 0;
        while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available) {
            char buffer[4096];
            DWORD read = 0;
            if (!ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) || read == 0) {
                break;
            }
            output.append(buffer, read);
        }
        if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) {
            // Drain what is left.
            char buffer[4096];
            DWORD read = 0;
            while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available &&
                   ReadFile(readEnd, buffer, sizeof buffer, &read, nullptr) && read) {
                output.append(buffer, read);
            }
            break;
        }
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs)) {
            TerminateProcess(process.hProcess, 99);
            WaitForSingleObject(process.hProcess, 5000);
            run.timedOut = true;
            break;
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.exitCode = static_cast<int>(code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(readEnd);
    run.lines = testfiles::SplitLines(output);
    return run;
}

std::string FreshFolder(const std::string& name) {
    std::string root = WindowsPath(buildpaths::BinaryDir() + "/tests/host/work");
    CreateDirectoryA(root.c_str(), nullptr);
    std::string folder = root + "\\" + name;
    // Empty it: the tests write every file they use.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileA((folder + "\\" + found.cFileName).c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string PatternData(size_t size, unsigned seed) {
    std::string data(size, 0);
    unsigned state = seed * 2654435761u + 1;
    for (char& c : data) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return data;
}

std::string Checksum(const std::string& data) {
    uint32_t sum = 0;
    for (unsigned char c : data) {
        sum = sum * 31 + c;
    }
    char text[16];
    snprintf(text, sizeof text, "%08x", sum);
    return text;
}

bool ReadImage(const std::string& path, vemohost::Image& image) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return vemohost::DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image);
}

} // namespace hosttest
