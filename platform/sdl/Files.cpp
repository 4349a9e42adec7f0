// Read-only file handles on POSIX files, and libraries on dlopen. Handles are numbers
// of our own that are never reused, so closing a stale handle can never close somebody
// else's file.
#include "platform/sdl/Internal.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace {

// Never destroyed: the music player closes its file and library from the application
// object's destructor at exit, after ordinary statics may have gone.
std::map<uintptr_t, int> &OpenFiles() {
    static auto *files = new std::map<uintptr_t, int>;
    return *files;
}

std::vector<void *> &Libraries() {
    static auto *libraries = new std::vector<void *>;
    return *libraries;
}

std::string UnixPath(const char *path) {
    std::string p(path);
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

// The folder of the running executable; empty if it cannot be told. Never the current
// directory: a library of the expected name lying there is not ours to run.
std::string ProgramFolder() {
    if (!plat::S().libraryFolder.empty())
        return plat::S().libraryFolder;
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return "";
    std::string path(exe, static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash);
}

} // namespace

HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD, void *, DWORD disposition, DWORD, HANDLE) {
    // Only what the game does: open an existing file to read it.
    if (!path || access != GENERIC_READ || disposition != OPEN_EXISTING)
        return INVALID_HANDLE_VALUE;
    const int fd = open(UnixPath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    static uintptr_t next = 0x1000;
    const uintptr_t id = next++;
    OpenFiles()[id] = fd;
    return reinterpret_cast<HANDLE>(id);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, DWORD *read, void *) {
    if (read)
        *read = 0;
    auto it = OpenFiles().find(reinterpret_cast<uintptr_t>(file));
    if (it == OpenFiles().end() || (!buffer && toRead))
        return FALSE;
    DWORD total = 0;
    char *out = static_cast<char *>(buffer);
    while (total < toRead) {
        const ssize_t n = ::read(it->second, out + total, toRead - total);
        if (n < 0)
            return FALSE;
        if (n == 0)
            break; // end of file
        total += static_cast<DWORD>(n);
    }
    if (read)
        *read = total;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
    auto it = OpenFiles().find(reinterpret_cast<uintptr_t>(handle));
    if (it == OpenFiles().end())
        return FALSE;
    close(it->second);
    OpenFiles().erase(it);
    return TRUE;
}

HMODULE LoadLibraryA(LPCSTR name) {
    if (!name || !*name)
        return nullptr;
    // A library is only ever loaded from the program's own folder, by full path, so that
    // neither the system's library search path nor the current directory can bring in
    // another file of the same name. A DLL name becomes lib<name>.so.
    std::string file = UnixPath(name);
    const size_t slash = file.rfind('/');
    std::string base = slash == std::string::npos ? file : file.substr(slash + 1);
    std::transform(base.begin(), base.end(), base.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".dll") == 0)
        base = "lib" + base.substr(0, base.size() - 4) + ".so";
    const std::string folder = ProgramFolder();
    if (folder.empty() || base.empty() || base == "." || base == "..")
        return nullptr;
    void *library = dlopen((folder + "/" + base).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return nullptr;
    Libraries().push_back(library);
    return reinterpret_cast<HMODULE>(library);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    void *library = reinterpret_cast<void *>(module);
    auto &libraries = Libraries();
    if (!name || std::find(libraries.begin(), libraries.end(), library) == libraries.end())
        return nullptr;
    return reinterpret_cast<FARPROC>(dlsym(library, name));
}

BOOL FreeLibrary(HMODULE module) {
    void *library = reinterpret_cast<void *>(module);
    auto &libraries = Libraries();
    auto it = std::find(libraries.begin(), libraries.end(), library);
    if (it == libraries.end())
        return FALSE;
    libraries.erase(it);
    return dlclose(library) == 0;
}
