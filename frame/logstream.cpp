#include "logstream.h"

#include "crt.h"

CLogFileBuf::~CLogFileBuf() { Close(); }

bool CLogFileBuf::Open(const wchar_t* path) {
    if (m_file != nullptr) {
        return false;
    }
    m_file = _wfsopen(path, L"a+t", _SH_DENYNO);
    return m_file != nullptr;
}

bool CLogFileBuf::Close() {
    if (m_file == nullptr) {
        return false;
    }
    const int result = fclose(m_file);
    m_file = nullptr;
    return result == 0;
}

CLogFileBuf::int_type CLogFileBuf::overflow(int_type ch) {
    if (traits_type::eq_int_type(ch, traits_type::eof())) {
        return traits_type::not_eof(ch);
    }
    if (m_file == nullptr || fputc(traits_type::to_char_type(ch), m_file) == EOF) {
        return traits_type::eof();
    }
    return ch;
}

std::streamsize CLogFileBuf::xsputn(const char* text, std::streamsize count) {
    if (m_file == nullptr || count <= 0) {
        return 0;
    }
    return static_cast<std::streamsize>(fwrite(text, 1, static_cast<size_t>(count), m_file));
}

int CLogFileBuf::sync() {
    if (m_file == nullptr) {
        return -1;
    }
    return fflush(m_file) == 0 ? 0 : -1;
}

CLogFileStream::CLogFileStream() : std::ostream(nullptr) {}

bool CLogFileStream::Open(const wchar_t* path) {
    if (!m_buffer.Open(path)) {
        setstate(std::ios_base::failbit);
        return false;
    }
    rdbuf(&m_buffer); // also clears the state
    clear();
    return true;
}

void CLogFileStream::Close() {
    if (!m_buffer.Close()) {
        setstate(std::ios_base::failbit);
    }
}
