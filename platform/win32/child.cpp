#include "platform/child.h"

#include <windows.h>

#include "platform/signals.h"

struct ChildProcess {
    HANDLE process;
    HANDLE out;  // read ends of its pipes; null once closed
    HANDLE err;
    ChildResult result;
};

namespace {

// A command line that the child's runtime splits back into these arguments.
std::string quoted(const std::string& arg) {
    std::string q = "\"";
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            backslashes++;
            continue;
        }
        q.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        q += c;
    }
    q.append(2 * backslashes, '\\');
    return q + "\"";
}

// Takes what the pipe holds; false once the child has closed it.
bool drain(HANDLE* pipe, std::string* to) {
    if (*pipe == nullptr) {
        return false;
    }
    DWORD ready = 0;
    if (!PeekNamedPipe(*pipe, nullptr, 0, nullptr, &ready, nullptr)) {
        CloseHandle(*pipe);
        *pipe = nullptr;
        return false;
    }
    char chunk[4096];
    while (ready > 0) {
        DWORD got = 0;
        if (!ReadFile(*pipe, chunk, sizeof(chunk), &got, nullptr) || got == 0) {
            break;
        }
        to->append(chunk, got);
        ready = ready > got ? ready - got : 0;
    }
    return true;
}

void close_all(std::initializer_list<HANDLE> handles) {
    for (HANDLE h : handles) {
        if (h != nullptr && h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        }
    }
}

}  // namespace

std::string child_self_path(const char* argv0) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof(path));
    return n > 0 && n < sizeof(path) ? std::string(path, n) : std::string(argv0);
}

ChildHandle child_start(const std::string& program, const std::vector<std::string>& args) {
    std::string line;
    for (const std::string& a : args) {
        line += (line.empty() ? "" : " ") + quoted(a);
    }
    // Every handle is made uninheritable and the child's own ends inheritable
    // only while it is started (one child at a time, from this thread), so
    // that no child holds another's pipe open.
    HANDLE out_read = nullptr, out_write = nullptr, err_read = nullptr, err_write = nullptr;
    if (!CreatePipe(&out_read, &out_write, nullptr, 0) ||
        !CreatePipe(&err_read, &err_write, nullptr, 0)) {
        close_all({out_read, out_write, err_read, err_write});
        return nullptr;
    }
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE null_in = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                                 OPEN_EXISTING, 0, nullptr);
    SetHandleInformation(out_write, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    SetHandleInformation(err_write, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = null_in;
    si.hStdOutput = out_write;
    si.hStdError = err_write;
    PROCESS_INFORMATION pi = {};
    BOOL ok = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                             nullptr, &si, &pi);
    close_all({out_write, err_write, null_in});
    if (!ok) {
        close_all({out_read, err_read});
        return nullptr;
    }
    CloseHandle(pi.hThread);
    return new ChildProcess{pi.hProcess, out_read, err_read, {{}, {}, -1}};
}

size_t child_wait_any(const std::vector<ChildHandle>& children, ChildResult* ended) {
    for (;;) {
        bool moved = false;
        for (size_t i = 0; i < children.size(); i++) {
            ChildProcess* c = children[i];
            size_t before = c->result.output.size() + c->result.errors.size();
            bool out_open = drain(&c->out, &c->result.output);
            bool err_open = drain(&c->err, &c->result.errors);
            moved = moved || c->result.output.size() + c->result.errors.size() != before;
            if (!out_open && !err_open) {
                DWORD code = 0;
                WaitForSingleObject(c->process, INFINITE);
                c->result.status =
                    GetExitCodeProcess(c->process, &code) ? static_cast<int>(code) : -1;
                *ended = std::move(c->result);
                close_all({c->process});
                delete c;
                return i;
            }
        }
        if (signals_count() > 0) {
            return CHILD_INTERRUPTED;
        }
        if (!moved) {
            Sleep(1);
        }
    }
}
