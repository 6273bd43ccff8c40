// The payload: the cabinet resource is written into the temporary folder and unpacked there;
// the plug-in goes into the plug-in folder, the renderer component into the system folder,
// where the registration tool registers it.
#include "setup/Setup.h"
#include "setup/SetupIds.h"
#include "setup/SetupRules.h"

#include <setupapi.h>

namespace setup {

namespace {

typedef BOOL(WINAPI* IterateCabinetProc)(PCSTR cabinet, DWORD reserved,
                                         PSP_FILE_CALLBACK_A callback, PVOID context);

int32_t FileExists(const char* folder, const char* name) {
    char path[kPathCapacity];
    if (!JoinText(path, kPathCapacity, folder, name)) {
        return 0;
    }
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void DeleteInFolder(const char* folder, const char* name) {
    char path[kFolderCapacity];
    if (JoinText(path, kFolderCapacity, folder, name)) {
        DeleteFileA(path);
    }
}

// Writes the whole cabinet resource of this program into a new file at path.
int32_t WriteCabinet(const char* path) {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(IDR_CABINET), "CABINET");
    if (found == nullptr) {
        return 0;
    }
    DWORD size = SizeofResource(self, found);
    HGLOBAL loaded = LoadResource(self, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (size == 0 || data == nullptr) {
        return 0;
    }
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    DWORD written = 0;
    BOOL wrote = WriteFile(file, data, size, &written, nullptr);
    BOOL closed = CloseHandle(file);
    return wrote && closed && written == size;
}

// The command interpreter's EXTRACT, for systems without the setup API.
int32_t ExtractWithCommand(const char* temporaryFolder) {
    char command[kCommandCapacity];
    return MakeExtractCommand(temporaryFolder, command, kCommandCapacity) &&
           RunAndWait(command) == 0;
}

int32_t Unpack(const char* cabinet, char* temporaryFolder) {
    HMODULE library = LoadLibraryA("setupapi.dll");
    if (library == nullptr) {
        return ExtractWithCommand(temporaryFolder);
    }
    FARPROC routine = GetProcAddress(library, "SetupIterateCabinetA");
    int32_t unpacked;
    if (routine != nullptr) {
        IterateCabinetProc iterate =
            reinterpret_cast<IterateCabinetProc>(reinterpret_cast<void*>(routine));
        unpacked = iterate(cabinet, 0, CabinetCallback, temporaryFolder) ? 1 : 0;
    } else {
        unpacked = ExtractWithCommand(temporaryFolder);
    }
    FreeLibrary(library);
    return unpacked;
}

} // namespace

DWORD RunAndWait(const char* commandLine) {
    char command[kCommandCapacity];
    if (!JoinText(command, kCommandCapacity, commandLine, "")) {
        return 1;
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINNOACTIVE;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    if (!GetExitCodeProcess(process.hProcess, &exitCode)) {
        exitCode = 1;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

int32_t ExtractPayload(char* temporaryFolder) {
    DWORD length = GetTempPathA(kFolderCapacity, temporaryFolder);
    if (length == 0 || length >= static_cast<DWORD>(kFolderCapacity)) {
        temporaryFolder[0] = '\0';
        return 0;
    }
    if (temporaryFolder[length - 1] != '\\' &&
        !AppendText(temporaryFolder, kFolderCapacity, "\\")) {
        temporaryFolder[0] = '\0';
        return 0;
    }
    if (!FolderTakesFileNames(temporaryFolder)) {
        return 0;
    }
    // Files left by an earlier run must not pass for this one's.
    DeleteInFolder(temporaryFolder, kRendererName);
    DeleteInFolder(temporaryFolder, kPluginName);
    char cabinet[kFolderCapacity];
    if (!JoinText(cabinet, kFolderCapacity, temporaryFolder, kCabinetName) ||
        !WriteCabinet(cabinet) || !Unpack(cabinet, temporaryFolder)) {
        return 0;
    }
    return FileExists(temporaryFolder, kPluginName) && FileExists(temporaryFolder, kRendererName);
}

UINT CALLBACK CabinetCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR) {
    if (notification != SPFILENOTIFY_FILEINCABINET) {
        return NO_ERROR;
    }
    FILE_IN_CABINET_INFO_A* file = reinterpret_cast<FILE_IN_CABINET_INFO_A*>(param1);
    if (!JoinText(file->FullTargetName, MAX_PATH, static_cast<const char*>(context),
                  file->NameInCabinet)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FILEOP_ABORT;
    }
    return FILEOP_DOIT;
}

int32_t InstallFiles(const char* temporaryFolder, const char* destination) {
    char source[kPathCapacity];
    char target[kPathCapacity];
    if (!JoinText(source, kPathCapacity, temporaryFolder, kPluginName) ||
        !JoinText(target, kPathCapacity, destination, kPluginName) ||
        !CopyFileA(source, target, FALSE)) {
        ShowSetupMessage("Failed to copy NpVemoC.dll", MB_ICONERROR);
        return 0;
    }
    UINT length = GetSystemDirectoryA(target, kPathCapacity);
    if (length == 0 || length >= static_cast<UINT>(kPathCapacity) ||
        !AppendText(target, kPathCapacity, "\\") ||
        !AppendText(target, kPathCapacity, kRendererName)) {
        return 0;
    }
    if (!JoinText(source, kPathCapacity, temporaryFolder, kRendererName) ||
        !CopyFileA(source, target, FALSE)) {
        ShowSetupMessage("Failed to copy VemoDoc.dll", MB_ICONERROR);
        return 0;
    }
    char command[kCommandCapacity];
    if (!MakeRegisterCommand(target, command, kCommandCapacity) || RunAndWait(command) != 0) {
        ShowSetupMessage("Failed to register VemoDoc.dll", MB_ICONERROR);
        return 0;
    }
    // The browser would load an older plug-in beside the new one: give it another name, unless
    // one of that name is already there.
    if (JoinText(source, kPathCapacity, destination, kOldPluginName) &&
        JoinText(target, kPathCapacity, destination, kOldPluginNewName)) {
        MoveFileA(source, target);
    }
    ShowSetupMessage("Installation successful", MB_ICONINFORMATION);
    return 1;
}

void RemoveTemporaryFiles(const char* temporaryFolder) {
    DeleteInFolder(temporaryFolder, kRendererName);
    DeleteInFolder(temporaryFolder, kPluginName);
    DeleteInFolder(temporaryFolder, kCabinetName);
}

} // namespace setup
