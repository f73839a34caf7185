// Text export end to end: the file dialog, the remembered folder, the file byte
// for byte, and failures that leave nothing half-written behind.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

#include "core/settings_store.h"
#include "host/delimited_text.h"
#include "layout/option_store.h"
#include "output/text_export.h"
#include "tests/output/output_fixture.h"

namespace vmbgrid::testing {
namespace {

constexpr const char* kBom = "\xEF\xBB\xBF";

class ExportTest : public OutputTest {
 protected:
  VMGrid& Customers() {
    VMGrid& g = Make();
    g.user("meier");
    g.AddField("Name", "Name", false, false, adVarChar);
    g.AddField("Ort", "Wohnort", false, false, adVarChar);
    g.AddField("Nr", "Nr", false, false, adInteger);
    g.AddSortColumn("Nr");
    return g;
  }
  std::string StoredFolder(VMGrid& g) {
    return g.Settings().ReadSetting(g.Options().Section(), "ParentFolderName", "meier", "Standard",
                                    "<keiner>");
  }
};

TEST_F(ExportTest, QuotesAndSemicolonsInValuesReadBackWhole) {
  VMGrid& g = HostRows({{"Müller; Sohn", "Kö\"ln"}, {"Ärger", ""}});
  const fs::path file = dir_ / "daten.txt";
  platform_->files.PushAnswer(file.string());
  g.ExportText();
  EXPECT_EQ(Read(file),
            std::string(kBom) +
                "\"Name\";\"Ort\"\r\n\"Müller; Sohn\";\"Kö\"\"ln\"\r\n\"Ärger\";\"\"\r\n");
  const auto records = ParseDelimited(Read(file), ';', '"');
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1], (std::vector<std::string>{"Müller; Sohn", "Kö\"ln"}));
}

TEST_F(ExportTest, FolderIsRememberedPerUserAndProposedNextTime) {
  VMGrid& g = Customers();
  g.Requery();
  platform_->files.PushAnswer(std::nullopt);
  g.ExportText();
  ASSERT_EQ(platform_->files.Requests().size(), 1u);
  const FileDialogRequest first = platform_->files.Requests()[0];
  EXPECT_EQ(first.title, "Exportdatei auswählen");
  EXPECT_EQ(first.filter, "Textdateien:*.txt");
  EXPECT_EQ(first.fileName, "Kunden.txt");
  EXPECT_EQ(StoredFolder(g), "<keiner>") << "cancelling stores nothing";
  EXPECT_TRUE(FilesIn(dir_).empty()) << "and writes nothing";

  fs::create_directories(dir_ / "a");
  platform_->files.PushAnswer((dir_ / "a" / "x.txt").string());
  g.ExportText();
  const std::string folder = (dir_ / "a").string() + "/";
  EXPECT_EQ(StoredFolder(g), folder);
  platform_->files.PushAnswer(std::nullopt);
  g.ExportText();
  EXPECT_EQ(platform_->files.Requests().back().fileName, folder + "Kunden.txt");

  // A stored folder without its separator is proposed as it stands.
  g.Settings().WriteSetting(g.Options().Section(), "ParentFolderName", "/daten/b", "meier");
  platform_->files.PushAnswer(std::nullopt);
  g.ExportText();
  EXPECT_EQ(platform_->files.Requests().back().fileName, "/daten/bKunden.txt");
}

// Only a regular file is replaced, and every refusal names the file the user chose
// (never the rows file or a temporary one) with its cause; the node at the target
// stays what it was, and nothing of ours is left in the folder.
TEST_F(ExportTest, OnlyARegularFileIsReplacedAndFailuresNameTheChosenFile) {
  VMGrid& g = Customers();
  g.Requery();
  struct Case {
    const char* name;
    std::function<bool(const fs::path&)> make;  // false: the node cannot be made here
    const char* cause;                          // "" when the export succeeds
  };
  const Case cases[] = {
      {"fehlt/x.txt", [](const fs::path&) { return true; }, "Den Ordner gibt es nicht."},
      {"ordner.txt", [](const fs::path& p) { return fs::create_directory(p); }, "ein Ordner"},
      {"pipe.txt", [](const fs::path& p) { return ::mkfifo(p.c_str(), 0600) == 0; },
       "eine Pipe (FIFO)"},
      {"geraet.txt",
       [](const fs::path& p) { return ::mknod(p.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0; },
       "eine Gerätedatei"},
      {"socket.txt",
       [](const fs::path& p) {
         int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un addr{};
         addr.sun_family = AF_UNIX;
         std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", p.c_str());
         const bool ok = ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
         ::close(fd);
         return ok;
       },
       "ein Socket"},
      {"leer.txt",
       [](const fs::path& p) {
         fs::create_symlink("gibt-es-nicht.txt", p);
         return true;
       },
       "Verknüpfung zeigt auf eine Datei, die es nicht gibt"},
      {"verweis.txt",
       [](const fs::path& p) {
         std::ofstream(p.parent_path() / "ziel.txt") << "alt";
         fs::create_symlink("ziel.txt", p);
         return true;
       },
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path target = dir_ / c.name;
    if (!c.make(target)) continue;  // e.g. no right to make a device node
    const auto before = FilesIn(dir_);
    const auto type = fs::symlink_status(target).type();
    platform_->files.PushAnswer(target.string());
    g.ExportText();
    const std::vector<std::string> messages = TakeMessages();
    if (*c.cause == '\0') {
      EXPECT_TRUE(messages.empty());
      EXPECT_TRUE(fs::is_symlink(target)) << "the link stays a link";
      EXPECT_EQ(Read(target).rfind(std::string(kBom) + "\"Name\"", 0), 0u);
    } else {
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0].rfind("Die Tabelle konnte nicht exportiert werden.\nDie Datei \"" +
                                      target.string() + "\" konnte nicht geschrieben werden: ",
                                  0),
                0u)
          << messages[0];
      EXPECT_NE(messages[0].find(c.cause), std::string::npos) << messages[0];
      EXPECT_EQ(fs::symlink_status(target).type(), type);
    }
    EXPECT_EQ(FilesIn(dir_), before) << "no rows or temporary file is left";
  }
  EXPECT_FALSE(fs::exists(dir_ / "fehlt"));
}

}  // namespace
}  // namespace vmbgrid::testing
