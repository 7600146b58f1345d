#include "app/command_line.h"

#include "app/data_location.h"

#include "data/address_book.h"
#include "services/core/connection_text.h"
#include "services/core/core.h"
#include "services/core/message.h"
#include "services/db/db_connection.h"
#include "transfer/book_copy.h"
#include "transfer/exchange.h"
#include "ui/address_book_open.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>

namespace {

// Messages the lower layers would show in a box go to the terminal; every
// question is answered with its first button, nobody being there to ask.
class TerminalPresenter : public MessagePresenter {
public:
    explicit TerminalPresenter(std::ostream& err) : err_(err) {}
    int present(const MessageRequest& request) override {
        Text shown = request.text;
        if (!request.detail.empty()) shown += T("：") + request.detail;
        std::string text = PasswordHidden(shown).toUtf8();
        std::replace(text.begin(), text.end(), '\r', ' ');
        std::replace(text.begin(), text.end(), '\n', ' ');
        err_ << "varelo: " << text << '\n';
        return 0;
    }

private:
    std::ostream& err_;
};

// The report's message as terminal lines.
std::string TerminalText(const Text& message) {
    std::string text = message.toUtf8();
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out + "\n";
}

std::string OneLine(std::string text) {
    text = PasswordHidden(Text::fromUtf8(text)).toUtf8();
    std::replace(text.begin(), text.end(), '\r', ' ');
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

auto ImportTask(ExchangeFormat format) {
    return [format](DBConnection& book, const std::string& file, const TaskSettings&, std::ostream& out,
                    std::string& why) {
        const ExchangeReport report = ImportContactsFile(book, file, format);
        if (!report.ok) {
            why = OneLine(report.error);
            return kExitFailure;
        }
        out << TerminalText(report.message());
        return kExitSuccess;
    };
}

auto ExportTask(ExchangeFormat format) {
    return [format](DBConnection& book, const std::string& file, const TaskSettings&, std::ostream& out,
                    std::string& why) {
        const Text everyone = T("select * from ") + ContactsTable() + T(" order by ") + ContactsByName();
        const ExchangeReport report = ExportContactsFile(book, everyone, file, format);
        if (!report.ok) {
            why = OneLine(report.error);
            return kExitFailure;
        }
        out << TerminalText(report.message());
        return kExitSuccess;
    };
}

int CreateServerBookTask(DBConnection& server, const std::string& connection, const TaskSettings&, std::ostream& out,
                         std::string& why) {
    if (!server.Connect(Text::fromUtf8(connection))) {
        why = "连接不上数据库：" + OneLine(server.ErrorText().toUtf8());
        return kExitFailure;
    }
    Text error;
    if (!CreateServerBook(server, error)) {
        why = "没有建立通讯录：" + OneLine(error.toUtf8());
        return kExitFailure;
    }
    out << "已在数据库中建立通讯录（通讯录、用户、所属网络三张表和初始账户）。\n"
           "在 Peizhi.ini 的 [数据库] 一节写入 连接="
        << PasswordHidden(Text::fromUtf8(connection)).toUtf8() << "（*** 处写密码），程序就使用这本通讯录。\n";
    return kExitSuccess;
}

int CopyBookTask(DBConnection& book, const std::string& connection, const TaskSettings& settings, std::ostream& out,
                 std::string& why) {
    DBConnection server;
    if (!server.Connect(Text::fromUtf8(connection))) {
        why = "连接不上数据库：" + OneLine(server.ErrorText().toUtf8());
        return kExitFailure;
    }
    const BookCopyReport report = CopyBook(book, server, settings.append);
    server.CloseConnection();
    if (!report.ok) {
        why = "没有复制，数据库中的通讯录没有改变：" + OneLine(report.error.toUtf8());
        return kExitFailure;
    }
    out << TerminalText(report.message());
    return kExitSuccess;
}

void PrintHelp(std::ostream& out) {
    out << "用法：varelo [选项]\n"
           "不带选项时打开通讯录窗口。带选项时不打开窗口、不需要显示器，完成一项任务后结束：\n\n";
    for (const auto& option : CommandLineOptions()) {
        std::string head = "  " + option.name + (option.argument.empty() ? "" : " " + option.argument);
        if (head.size() < 28) head.resize(28, ' ');
        out << head << option.help << '\n';
    }
    out << "\n通讯录默认是窗口打开的那一本（Peizhi.ini 中 [数据库] 连接 指定的数据库，\n"
           "否则是程序文件夹或用户数据文件夹中的 VRL3.mdb）。\n"
           "成功时退出码为 0；失败时为非 0，并在一行中说明原因。\n"
           "例：varelo --import-vcard 手机通讯录.vcf\n"
           "    varelo --book /home/me/VRL3.mdb --export-csv 通讯录.csv\n"
           "    varelo --create-server-book \"ODBC;Driver=PostgreSQL "
           "Unicode;Server=db;Database=varelo;Uid=varelo;Pwd=...\"\n"
           "    varelo --copy-book-to \"ODBC;Driver=PostgreSQL "
           "Unicode;Server=db;Database=varelo;Uid=varelo;Pwd=...\"\n";
}

}  // namespace

const std::vector<CommandLineOption>& CommandLineOptions() {
    static const std::vector<CommandLineOption> options = {
        {"--import-vcard", "FILE", "把 vCard 文件（2.1、3.0、4.0）中的联系人导入通讯录",
         ImportTask(ExchangeFormat::VCard)},
        {"--export-vcard", "FILE", "把通讯录的全部联系人导出为 vCard 3.0 文件", ExportTask(ExchangeFormat::VCard)},
        {"--import-csv", "FILE", "把 CSV 文件中的联系人导入通讯录", ImportTask(ExchangeFormat::Csv)},
        {"--export-csv", "FILE", "把通讯录的全部联系人导出为 CSV 文件（UTF-8）", ExportTask(ExchangeFormat::Csv)},
        {"--create-server-book", "CONNECTION", "在 CONNECTION 指定的空数据库中建立共用的通讯录", CreateServerBookTask,
         TaskBook::kNone},
        {"--copy-book-to", "CONNECTION", "把本地通讯录的全部联系人（含照片）、账户和分组复制到 CONNECTION 指定的通讯录",
         CopyBookTask, TaskBook::kLocalFile},
        {"--append", "", "与 --copy-book-to 一起用：目标通讯录已有联系人时追加在后", {}},
        {"--book", "PATH", "使用 PATH 处的通讯录文件，而不是窗口打开的那一本", {}},
        {"--help", "", "显示本说明", {}},
    };
    return options;
}

bool IsCommandLineRun(int argc, char** argv) { return argc > 1 && std::string(argv[1]).rfind("--", 0) == 0; }

int RunCommandLine(int argc, char** argv, std::ostream& out, std::ostream& err) {
    // Text conversions and files need no more than a core application; no
    // window system is touched, so no display is needed.
    std::unique_ptr<QCoreApplication> application;
    if (!QCoreApplication::instance()) application = std::make_unique<QCoreApplication>(argc, argv);
    const auto previous = SetMessagePresenter(std::make_shared<TerminalPresenter>(err));
    struct RestorePresenter {
        std::shared_ptr<MessagePresenter> previous;
        ~RestorePresenter() { SetMessagePresenter(previous); }
    } restore{previous};

    auto usage = [&](const std::string& why) {
        err << "varelo: " << why << "（用 --help 查看用法）\n";
        return kExitUsage;
    };
    std::optional<std::string> bookPath;
    TaskSettings settings;
    const CommandLineOption* task = nullptr;
    std::string taskArgument;
    bool help = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto& options = CommandLineOptions();
        const auto option = std::find_if(options.begin(), options.end(), [&](const auto& o) { return o.name == arg; });
        if (option == options.end()) return usage("未知的选项 " + arg);
        std::string value;
        if (!option->argument.empty()) {
            if (i + 1 >= argc || std::string(argv[i + 1]).empty()) return usage(arg + " 需要参数 " + option->argument);
            value = argv[++i];
        }
        if (option->name == "--help") help = true;
        else if (option->name == "--book") bookPath = value;
        else if (option->name == "--append") settings.append = true;
        else if (task) return usage("一次只能执行一项任务：" + task->name + " 和 " + arg);
        else {
            task = &*option;
            taskArgument = value;
        }
    }
    if (help) {
        PrintHelp(out);
        return kExitSuccess;
    }
    if (!task) return usage("没有指定任务");
    if (settings.append && task->name != "--copy-book-to") return usage("--append 只能与 --copy-book-to 一起使用");
    if (bookPath && task->book == TaskBook::kNone) return usage(task->name + " 不使用 --book");

    DBConnection connection;
    std::string why;
    if (task->book == TaskBook::kNone) {
        const int code = task->task(connection, taskArgument, settings, out, why);
        if (code != kExitSuccess) err << "varelo: " << why << '\n';
        return code;
    }

    // The book the windows open: the program folder's for a portable copy,
    // else the user's own (created from the template on first use).
    std::string book;
    Text shared;
    if (bookPath) {
        book = *bookPath;
    } else {
        const DataLocation location = ChooseDataLocation(ProgramFolder());
        if (task->book == TaskBook::kProgramBook) shared = SharedBookConnection(location.settingsPath);
        if (shared.empty() && !PrepareDataLocation(location)) {
            err << "varelo: 无法准备通讯录所在的文件夹 " << location.folder.toUtf8() << '\n';
            return kExitFailure;
        }
        book = (location.folder + T("/") + AddressBookFile()).toUtf8();
    }
    if (!shared.empty()) {
        if (!connection.Connect(shared)) {
            err << "varelo: 数据库连接失败：" << OneLine(connection.ErrorText().toUtf8()) << '\n';
            return kExitFailure;
        }
    } else {
        if (!QFileInfo(QString::fromStdString(book)).isFile()) {
            err << "varelo: 找不到通讯录文件 " << book << '\n';
            return kExitFailure;
        }
        if (!connection.ConnectAccess(Text::fromUtf8(book))) {
            err << "varelo: 无法打开通讯录 " << book << "：" << OneLine(connection.ErrorText().toUtf8()) << '\n';
            return kExitFailure;
        }
    }
    KeepContactOrder(connection);
    const int code = task->task(connection, taskArgument, settings, out, why);
    connection.CloseConnection();
    if (code != kExitSuccess) err << "varelo: " << why << '\n';
    return code;
}
