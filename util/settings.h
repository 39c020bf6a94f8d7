// Program settings: named text values under company / application / section,
// as the designer keeps them. The store behind them is an INI file through
// QSettings for the program and a map in memory for the tests.
#pragma once

#include <map>
#include <memory>
#include <string>

class QSettings;

namespace qrv::util {

// Where values live. A key is "company/application/section" with any "\" of
// the application written as "/".
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The value, or def when it was never written.
    virtual std::string read(const std::string& key, const std::string& name,
                             const std::string& def) const = 0;
    virtual void write(const std::string& key, const std::string& name,
                       const std::string& value) = 0;
    virtual void remove(const std::string& key, const std::string& name) = 0;
};

// Keeps everything in memory; for tests and for a program that must not
// touch the user's files.
class MemorySettingsStore final : public SettingsStore {
  public:
    std::string read(const std::string& key, const std::string& name,
                     const std::string& def) const override;
    void write(const std::string& key, const std::string& name, const std::string& value) override;
    void remove(const std::string& key, const std::string& name) override;

  private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

// An INI file (QSettings' INI format); every write reaches the file at once,
// so a crash loses nothing that was written.
class IniSettingsStore final : public SettingsStore {
  public:
    explicit IniSettingsStore(const std::string& path);
    ~IniSettingsStore() override;
    std::string read(const std::string& key, const std::string& name,
                     const std::string& def) const override;
    void write(const std::string& key, const std::string& name, const std::string& value) override;
    void remove(const std::string& key, const std::string& name) override;
    std::string path() const;
    // The user's settings file of a company: <config>/<company>/<company>.ini.
    static std::string DefaultPath(const std::string& company);

  private:
    std::unique_ptr<QSettings> settings_;
};

// One settings location (CProgramSettings): company, application and section.
class ProgramSettings {
  public:
    ProgramSettings(SettingsStore& store, std::string company, std::string application,
                    std::string section = "Settings");
    std::string ReadEntry(const std::string& name, const std::string& def = "") const;
    void WriteEntry(const std::string& name, const std::string& value);
    void RemoveEntry(const std::string& name);
    // Another section under the same company and application.
    ProgramSettings Section(std::string section) const;
    const std::string& Company() const { return company_; }
    const std::string& Application() const { return application_; }
    const std::string& SectionName() const { return section_; }
    SettingsStore& Store() const { return *store_; }

  private:
    std::string key() const;
    SettingsStore* store_;
    std::string company_, application_, section_;
};

}  // namespace qrv::util
