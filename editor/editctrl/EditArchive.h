#pragma once
// A binary archive for the edit control's objects: little-endian 32-bit
// integers and length-prefixed strings in a byte buffer. Failures are thrown
// as CEditArchiveException.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class CEditArchiveException : public std::runtime_error
{
public:
    enum Cause { readOnly, writeOnly, endOfFile };
    explicit CEditArchiveException(Cause cause);
    Cause m_cause;
};

class CEditArchive
{
public:
    // storing appends to the buffer; loading reads it from the start
    CEditArchive(std::vector<uint8_t>& buffer, bool loading) : m_buffer(buffer), m_bLoading(loading) {}
    bool IsLoading() const { return m_bLoading; }
    bool IsStoring() const { return !m_bLoading; }

    // stores the value, or loads into it
    void Int(int32_t& value);
    void UInt(uint32_t& value);
    void Bool(bool& value);
    void String(std::string& value);
    // user data has no archived form: the failure of the archive's direction
    [[noreturn]] void RefuseUserData() const;

private:
    void Need(size_t bytes) const;

    std::vector<uint8_t>& m_buffer;
    bool m_bLoading;
    size_t m_pos = 0;
};
