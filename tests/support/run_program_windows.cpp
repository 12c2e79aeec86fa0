// Running a program on Windows.
// SPDX-License-Identifier: MIT
#include "tests/support/run_program.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <thread>

namespace coord2seg::testing {
namespace {

std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int length =
      ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
  return wide;
}

// One argument as the C runtime splits a command line again: quoted when it holds blanks or
// quotes, each quote escaped, and backslashes doubled where a quote follows them.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(2 * backslashes, L'\\');
  line += L'"';
}

class Handle {
 public:
  explicit Handle(HANDLE handle = nullptr) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }
  HANDLE get() const { return handle_; }
  HANDLE* out() { return &handle_; }
  void Close() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_;
};

void Drain(HANDLE pipe, std::string& sink) {
  char chunk[65536];
  DWORD got = 0;
  while (::ReadFile(pipe, chunk, sizeof chunk, &got, nullptr) && got > 0) sink.append(chunk, got);
}

}  // namespace

const bool kPosixHost = false;

bool MakeFifo(const std::filesystem::path&) { return false; }

std::vector<std::string> ChildEnvironment(const std::vector<std::string>&) {
  throw std::logic_error("only the tests that read /proc give a child more environment");
}

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const RunOptions& options) {
  if (options.file_size_limit >= 0 || options.address_space_limit >= 0 ||
      !options.extra_environment.empty()) {
    throw std::logic_error("resource limits and more environment are for POSIX systems only");
  }
  const std::wstring program_path = std::filesystem::absolute(Widen(program)).wstring();
  std::wstring command_line;
  AppendQuoted(command_line, program_path);
  for (const std::string& argument : arguments) {
    command_line += L' ';
    AppendQuoted(command_line, Widen(argument));
  }

  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle out_read, out_write, err_read, err_write;
  if (!::CreatePipe(out_read.out(), out_write.out(), &inherited, 0) ||
      !::CreatePipe(err_read.out(), err_write.out(), &inherited, 0)) {
    throw std::runtime_error("CreatePipe failed");
  }
  ::SetHandleInformation(out_read.get(), HANDLE_FLAG_INHERIT, 0);
  ::SetHandleInformation(err_read.get(), HANDLE_FLAG_INHERIT, 0);
  Handle input_read, input_write;
  if (options.standard_input) {
    if (!::CreatePipe(input_read.out(), input_write.out(), &inherited, 0)) {
      throw std::runtime_error("CreatePipe failed");
    }
    ::SetHandleInformation(input_write.get(), HANDLE_FLAG_INHERIT, 0);
  } else {
    *input_read.out() = ::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      &inherited, OPEN_EXISTING, 0, nullptr);
  }

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input_read.get();
  startup.hStdOutput = out_write.get();
  startup.hStdError = err_write.get();
  PROCESS_INFORMATION process{};
  const std::wstring directory = options.working_directory.wstring();
  // Under Wine on a busy machine a start now and then fails for a moment; a few tries tell that
  // apart from a program that cannot start at all.
  bool started = false;
  DWORD error = 0;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) ::Sleep(200 * attempt);
    started = ::CreateProcessW(program_path.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0,
                               nullptr, directory.c_str(), &startup, &process);
    if (!started) error = ::GetLastError();
  }
  if (!started) {
    throw std::runtime_error("CreateProcess failed for " + program + ": error " +
                             std::to_string(error));
  }
  Handle process_handle(process.hProcess);
  Handle thread_handle(process.hThread);
  // Only the child may hold the writing ends, or the reads below never see the end.
  input_read.Close();
  out_write.Close();
  err_write.Close();

  // Fed on a thread of its own, so a child that writes before it has read everything cannot
  // stall both sides.
  std::thread feeder;
  if (options.standard_input) {
    feeder = std::thread([&input_write, &bytes = *options.standard_input] {
      DWORD written = 0;
      for (std::size_t done = 0; done < bytes.size(); done += written) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        if (!::WriteFile(input_write.get(), bytes.data() + done, piece, &written, nullptr)) break;
      }
      input_write.Close();
    });
  }
  ProgramResult result;
  std::thread err_reader(Drain, err_read.get(), std::ref(result.err));
  Drain(out_read.get(), result.out);
  err_reader.join();
  if (feeder.joinable()) feeder.join();
  ::WaitForSingleObject(process_handle.get(), INFINITE);
  DWORD exit_code = 0;
  ::GetExitCodeProcess(process_handle.get(), &exit_code);
  result.exit_status = static_cast<int>(exit_code);
  return result;
}

}  // namespace coord2seg::testing
