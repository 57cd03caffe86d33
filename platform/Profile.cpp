#include "platform/Profile.h"

#include <QByteArray>
#include <QSettings>
#include <QString>
#include <memory>
#include <mutex>

namespace platform::profile {
namespace {

std::mutex g_mutex;
std::string g_file;  // empty: the user's default location

std::unique_ptr<QSettings> Open()
{
    if (!g_file.empty())
        return std::make_unique<QSettings>(QString::fromStdString(g_file), QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "QuillmontApp", "Quillmont");
}

QString Key(const std::string& section, const std::string& entry)
{
    return QString::fromStdString(section) + "/" + QString::fromStdString(entry);
}

bool Sync(QSettings& s)
{
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace

std::string GetString(const std::string& section, const std::string& entry, const std::string& def)
{
    std::lock_guard lock(g_mutex);
    auto s = Open();
    QVariant v = s->value(Key(section, entry));
    if (!v.isValid())
        return def;
    return v.toString().toStdString();
}

bool WriteString(const std::string& section, const std::string& entry, const std::string& value)
{
    std::lock_guard lock(g_mutex);
    auto s = Open();
    s->setValue(Key(section, entry), QString::fromStdString(value));
    return Sync(*s);
}

bool GetBinary(const std::string& section, const std::string& entry, std::vector<uint8_t>& out)
{
    std::lock_guard lock(g_mutex);
    auto s = Open();
    QVariant v = s->value(Key(section, entry));
    if (!v.isValid())
        return false;
    QByteArray b = v.toByteArray();
    out.assign(reinterpret_cast<const uint8_t*>(b.constData()), reinterpret_cast<const uint8_t*>(b.constData()) + b.size());
    return true;
}

bool WriteBinary(const std::string& section, const std::string& entry, const void* data, size_t size)
{
    std::lock_guard lock(g_mutex);
    auto s = Open();
    s->setValue(Key(section, entry), QByteArray(static_cast<const char*>(data), qsizetype(size)));
    return Sync(*s);
}

int GetInt(const std::string& section, const std::string& entry, int def)
{
    std::lock_guard lock(g_mutex);
    auto s = Open();
    bool ok = false;
    int v = s->value(Key(section, entry)).toInt(&ok);
    return ok ? v : def;
}

bool WriteInt(const std::string& section, const std::string& entry, int value)
{
    std::lock_guard lock(g_mutex);
    auto s = Open();
    s->setValue(Key(section, entry), value);
    return Sync(*s);
}

void UseFile(const std::string& iniPath)
{
    std::lock_guard lock(g_mutex);
    g_file = iniPath;
}

std::string FilePath()
{
    std::lock_guard lock(g_mutex);
    return Open()->fileName().toStdString();
}

} // namespace platform::profile
