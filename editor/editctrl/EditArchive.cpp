#include "editor/editctrl/EditArchive.h"

namespace {

const char* CauseText(CEditArchiveException::Cause cause)
{
    switch (cause) {
    case CEditArchiveException::readOnly:
        return "the archive cannot load this object";
    case CEditArchiveException::writeOnly:
        return "the archive cannot store this object";
    default:
        return "the archive ended early";
    }
}

} // namespace

CEditArchiveException::CEditArchiveException(Cause cause) : std::runtime_error(CauseText(cause)), m_cause(cause) {}

void CEditArchive::Need(size_t bytes) const
{
    if (m_buffer.size() - m_pos < bytes)
        throw CEditArchiveException(CEditArchiveException::endOfFile);
}

void CEditArchive::UInt(uint32_t& value)
{
    if (m_bLoading) {
        Need(4);
        value = uint32_t(m_buffer[m_pos]) | uint32_t(m_buffer[m_pos + 1]) << 8 | uint32_t(m_buffer[m_pos + 2]) << 16 |
                uint32_t(m_buffer[m_pos + 3]) << 24;
        m_pos += 4;
        return;
    }
    for (int i = 0; i < 4; ++i)
        m_buffer.push_back(uint8_t(value >> (8 * i)));
}

void CEditArchive::Int(int32_t& value)
{
    uint32_t u = uint32_t(value);
    UInt(u);
    value = int32_t(u);
}

void CEditArchive::Bool(bool& value)
{
    int32_t v = value ? 1 : 0;
    Int(v);
    value = v != 0;
}

void CEditArchive::String(std::string& value)
{
    uint32_t n = uint32_t(value.size());
    UInt(n);
    if (!m_bLoading) {
        m_buffer.insert(m_buffer.end(), value.begin(), value.end());
        return;
    }
    Need(n);
    value.assign(reinterpret_cast<const char*>(m_buffer.data() + m_pos), n);
    m_pos += n;
}

void CEditArchive::RefuseUserData() const
{
    throw CEditArchiveException(m_bLoading ? CEditArchiveException::readOnly : CEditArchiveException::writeOnly);
}
