// The narrow output stream that the log file is written through: a std::ostream over a
// run-time FILE opened with _wfsopen, so that text mode (CR LF on disk), append and deny-none
// sharing come from the run-time library as they do for every other file the tools write.
#pragma once

#include <cstdio>
#include <ostream>
#include <streambuf>

class CLogFileBuf : public std::streambuf {
  public:
    CLogFileBuf() = default;
    CLogFileBuf(const CLogFileBuf&) = delete;
    CLogFileBuf& operator=(const CLogFileBuf&) = delete;
    ~CLogFileBuf() override;

    bool Open(const wchar_t* path);
    bool Close();
    bool IsOpen() const { return m_file != nullptr; }

  protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

  private:
    FILE* m_file = nullptr;
};

class CLogFileStream : public std::ostream {
  public:
    CLogFileStream();
    // Opens for reading and appending in text mode, deny-none; clears the state on success.
    bool Open(const wchar_t* path);
    // Closes the file; a failed close marks the stream failed.
    void Close();

  private:
    CLogFileBuf m_buffer;
};
