#include "util/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

namespace qrv::util {

std::string MemorySettingsStore::read(const std::string& key, const std::string& name,
                                      const std::string& def) const {
    auto it = values_.find({key, name});
    return it == values_.end() ? def : it->second;
}

void MemorySettingsStore::write(const std::string& key, const std::string& name,
                                const std::string& value) {
    values_[{key, name}] = value;
}

void MemorySettingsStore::remove(const std::string& key, const std::string& name) {
    values_.erase({key, name});
}

namespace {
// QSettings treats "/" as a group separator and "\" specially in keys.
QString iniKey(const std::string& key, const std::string& name) {
    std::string k = key + "/" + name;
    std::replace(k.begin(), k.end(), '\\', '/');
    return QString::fromStdString(k);
}
}  // namespace

IniSettingsStore::IniSettingsStore(const std::string& path)
    : settings_(std::make_unique<QSettings>(QString::fromStdString(path), QSettings::IniFormat)) {
    QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
}

IniSettingsStore::~IniSettingsStore() = default;

std::string IniSettingsStore::read(const std::string& key, const std::string& name,
                                   const std::string& def) const {
    QVariant v = settings_->value(iniKey(key, name));
    return v.isValid() ? v.toString().toStdString() : def;
}

void IniSettingsStore::write(const std::string& key, const std::string& name,
                             const std::string& value) {
    settings_->setValue(iniKey(key, name), QString::fromStdString(value));
    settings_->sync();
}

void IniSettingsStore::remove(const std::string& key, const std::string& name) {
    settings_->remove(iniKey(key, name));
    settings_->sync();
}

std::string IniSettingsStore::path() const {
    return settings_->fileName().toStdString();
}

std::string IniSettingsStore::DefaultPath(const std::string& company) {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QString c = QString::fromStdString(company);
    return (dir + "/" + c + "/" + c + ".ini").toStdString();
}

ProgramSettings::ProgramSettings(SettingsStore& store, std::string company, std::string application,
                                 std::string section)
    : store_(&store),
      company_(std::move(company)),
      application_(std::move(application)),
      section_(std::move(section)) {}

std::string ProgramSettings::key() const {
    std::string k = company_ + "/" + application_ + "/" + section_;
    std::replace(k.begin(), k.end(), '\\', '/');
    return k;
}

std::string ProgramSettings::ReadEntry(const std::string& name, const std::string& def) const {
    return store_->read(key(), name, def);
}

void ProgramSettings::WriteEntry(const std::string& name, const std::string& value) {
    store_->write(key(), name, value);
}

void ProgramSettings::RemoveEntry(const std::string& name) {
    store_->remove(key(), name);
}

ProgramSettings ProgramSettings::Section(std::string section) const {
    return ProgramSettings(*store_, company_, application_, std::move(section));
}

}  // namespace qrv::util
