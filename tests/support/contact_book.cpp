#include "support/contact_book.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

// Bump when the rows change, so cached books of the old shape are not reused.
constexpr int kGeneratorVersion = 2;

// A character and the first letter of its reading.
struct Syllable {
    std::string_view text;
    char initial;
};

// The most frequent surnames, most frequent first.
constexpr Syllable kCommonSurnames[] = {
    {"王", 'w'}, {"李", 'l'}, {"张", 'z'}, {"刘", 'l'}, {"陈", 'c'}, {"杨", 'y'}, {"黄", 'h'}, {"赵", 'z'}, {"吴", 'w'},
    {"周", 'z'}, {"徐", 'x'}, {"孙", 's'}, {"马", 'm'}, {"朱", 'z'}, {"胡", 'h'}, {"郭", 'g'}, {"何", 'h'}, {"高", 'g'},
    {"林", 'l'}, {"罗", 'l'}, {"郑", 'z'}, {"梁", 'l'}, {"谢", 'x'}, {"宋", 's'}, {"唐", 't'}, {"许", 'x'}, {"韩", 'h'},
    {"冯", 'f'}, {"邓", 'd'}, {"曹", 'c'}, {"彭", 'p'}, {"曾", 'z'}, {"肖", 'x'}, {"田", 't'}, {"董", 'd'}, {"袁", 'y'},
    {"潘", 'p'}, {"于", 'y'}, {"蒋", 'j'}, {"蔡", 'c'}, {"余", 'y'}, {"杜", 'd'}, {"叶", 'y'}, {"程", 'c'}, {"苏", 's'},
    {"魏", 'w'}, {"吕", 'l'}, {"丁", 'd'}, {"任", 'r'}, {"沈", 's'}, {"姚", 'y'}, {"卢", 'l'}, {"姜", 'j'}, {"崔", 'c'},
    {"钟", 'z'}, {"谭", 't'}, {"陆", 'l'}, {"汪", 'w'}, {"范", 'f'}, {"金", 'j'}, {"石", 's'}, {"廖", 'l'}, {"贾", 'j'},
    {"夏", 'x'}, {"韦", 'w'}, {"付", 'f'}, {"方", 'f'}, {"白", 'b'}, {"邹", 'z'}, {"孟", 'm'}, {"熊", 'x'}, {"秦", 'q'},
    {"邱", 'q'}, {"江", 'j'}, {"尹", 'y'}, {"薛", 'x'}, {"闫", 'y'}, {"段", 'd'}, {"雷", 'l'}, {"侯", 'h'}, {"龙", 'l'},
    {"史", 's'}, {"陶", 't'}, {"黎", 'l'}, {"贺", 'h'}, {"顾", 'g'}, {"毛", 'm'}, {"郝", 'h'}, {"龚", 'g'}, {"邵", 's'},
    {"万", 'w'}, {"钱", 'q'}, {"严", 'y'}, {"覃", 'q'}, {"武", 'w'}, {"戴", 'd'}, {"莫", 'm'}, {"孔", 'k'}, {"向", 'x'},
    {"汤", 't'}, {"翟", 'z'}, {"葛", 'g'},
};
// Surnames outside the most common characters (GB2312 level 2).
constexpr Syllable kRareSurnames[] = {
    {"佟", 't'}, {"晏", 'y'}, {"瞿", 'q'}, {"邝", 'k'}, {"郦", 'l'}, {"蒯", 'k'}, {"亓", 'q'}, {"阚", 'k'},
    {"芮", 'r'}, {"邬", 'w'}, {"缪", 'm'}, {"岑", 'c'}, {"鄢", 'y'}, {"郜", 'g'}, {"璩", 'q'},
};
// Traditional forms (GBK only).
constexpr Syllable kTraditionalSurnames[] = {
    {"張", 'z'}, {"陳", 'c'}, {"劉", 'l'}, {"黃", 'h'}, {"楊", 'y'}, {"趙", 'z'}, {"吳", 'w'}, {"鄭", 'z'},
    {"謝", 'x'}, {"羅", 'l'}, {"葉", 'y'}, {"蘇", 's'}, {"許", 'x'}, {"馮", 'f'}, {"鄧", 'd'}, {"蔣", 'j'},
};
struct CompoundSurname {
    Syllable first, second;
};
constexpr CompoundSurname kCompoundSurnames[] = {
    {{"欧", 'o'}, {"阳", 'y'}},
    {{"司", 's'}, {"马", 'm'}},
    {{"诸", 'z'}, {"葛", 'g'}},
    {{"上", 's'}, {"官", 'g'}},
};

constexpr Syllable kCommonGiven[] = {
    {"伟", 'w'}, {"芳", 'f'}, {"娜", 'n'}, {"敏", 'm'}, {"静", 'j'}, {"丽", 'l'}, {"强", 'q'}, {"磊", 'l'}, {"军", 'j'},
    {"洋", 'y'}, {"勇", 'y'}, {"艳", 'y'}, {"杰", 'j'}, {"娟", 'j'}, {"涛", 't'}, {"明", 'm'}, {"超", 'c'}, {"秀", 'x'},
    {"霞", 'x'}, {"平", 'p'}, {"刚", 'g'}, {"桂", 'g'}, {"英", 'y'}, {"华", 'h'}, {"玉", 'y'}, {"兰", 'l'}, {"萍", 'p'},
    {"红", 'h'}, {"建", 'j'}, {"国", 'g'}, {"文", 'w'}, {"辉", 'h'}, {"力", 'l'}, {"鹏", 'p'}, {"宇", 'y'}, {"浩", 'h'},
    {"凯", 'k'}, {"俊", 'j'}, {"晓", 'x'}, {"雪", 'x'}, {"梅", 'm'}, {"琳", 'l'}, {"海", 'h'}, {"婷", 't'}, {"飞", 'f'},
    {"慧", 'h'}, {"波", 'b'}, {"斌", 'b'}, {"宁", 'n'}, {"欣", 'x'}, {"佳", 'j'}, {"子", 'z'}, {"思", 's'}, {"雨", 'y'},
    {"嘉", 'j'}, {"博", 'b'}, {"轩", 'x'}, {"怡", 'y'}, {"晨", 'c'}, {"阳", 'y'}, {"东", 'd'}, {"峰", 'f'}, {"志", 'z'},
    {"新", 'x'}, {"云", 'y'}, {"龙", 'l'}, {"春", 'c'}, {"丹", 'd'},
};
constexpr Syllable kRareGiven[] = {
    {"琰", 'y'},
    {"婧", 'j'},
    {"瑾", 'j'},
    {"璐", 'l'},
    {"钰", 'y'},
    {"昊", 'h'},
    {"骞", 'q'},
    {"暄", 'x'},
    {"煜", 'y'},
    {"晗", 'h'},
    {"琪", 'q'},
    {"璇", 'x'},
    {"萱", 'x'},
    {"婕", 'j'},
    {"烨", 'y'},
    {"珩", 'h'},
    {"岚", 'l'},
    {"嫣", 'y'},
    {"妤", 'y'},
    {"曦", 'x'},
    // Outside GB2312 altogether.
    {"珺", 'j'},
    {"翀", 'c'},
    {"祎", 'y'},
    {"芃", 'p'},
    {"喆", 'z'},
    {"旻", 'm'},
    {"彧", 'y'},
};
constexpr Syllable kTraditionalGiven[] = {
    {"學", 'x'}, {"東", 'd'}, {"華", 'h'}, {"國", 'g'}, {"偉", 'w'}, {"傑", 'j'},
    {"麗", 'l'}, {"龍", 'l'}, {"鳳", 'f'}, {"雲", 'y'}, {"輝", 'h'},
};

constexpr std::string_view kLatinFirst[] = {"David", "Michael", "Lily",  "Grace", "Kevin", "Tony",    "Jenny",
                                            "Amy",   "Peter",   "Helen", "Jack",  "Emma",  "Vincent", "Alice"};
constexpr std::string_view kLatinLast[] = {"Wang", "Li", "Zhang", "Chen", "Smith", "Brown", "Lee", "Wong", "Chan"};

// Today's mobile segments of the three carriers.
constexpr std::string_view kSegments[] = {"130", "131", "132", "133", "134", "135", "136", "137", "138", "139",
                                          "145", "147", "150", "151", "152", "153", "155", "156", "157", "158",
                                          "159", "166", "173", "176", "177", "178", "180", "181", "182", "183",
                                          "185", "186", "187", "188", "189", "191", "198", "199"};
constexpr std::string_view kGroups[] = {"家人",     "同事", "同学",   "朋友", "客户", "亲戚",
                                        "大学同学", "老乡", "供应商", "球友", "邻居", "前同事"};
constexpr std::string_view kProvinces[] = {"北京", "上海", "广东", "浙江", "江苏", "四川", "湖南", "湖北",
                                           "山东", "河南", "福建", "辽宁", "陕西", "香港", "台湾"};
constexpr std::string_view kCities[] = {"北京市朝阳区", "上海市浦东新区", "广州市天河区", "深圳市南山区",
                                        "杭州市西湖区", "成都市武侯区",   "武汉市洪山区", "南京市鼓楼区"};
constexpr std::string_view kRoads[] = {"建国路", "中山路", "人民路", "解放路", "文三路", "科技园路", "长江路"};
constexpr std::string_view kRemarks[] = {"大学室友", "装修师傅", "孩子同学家长", "老客户，周末联系",
                                         "公司前台", "物业电话", "健身教练"};

class Generator {
public:
    explicit Generator(std::uint32_t seed) : random_(seed) {}

    // 0 <= result < n.
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(random_() % n); }
    bool chance(double share) { return (random_() % 1000000) < static_cast<std::uint32_t>(share * 1000000); }
    // Biased towards the front: index = n * u^2.
    std::size_t frequent(std::size_t n) {
        const double u = (random_() % 1000000) / 1000000.0;
        return std::min(n - 1, static_cast<std::size_t>(n * u * u));
    }
    std::string digits(int count) {
        std::string out;
        for (int i = 0; i < count; ++i) out += static_cast<char>('0' + random_() % 10);
        return out;
    }

    template <typename T, std::size_t N>
    const T& pick(const T (&items)[N]) {
        return items[below(N)];
    }

private:
    std::mt19937 random_;
};

struct Name {
    std::string text;
    std::string initials;
};

Name MakeName(Generator& g) {
    Name name;
    const auto add = [&name](const Syllable& s) {
        name.text += s.text;
        if (name.initials.size() < 3) name.initials += s.initial;
    };
    const std::size_t kind = g.below(100);
    if (kind < 4) {  // a Latin name: no initials
        name.text = std::string(g.pick(kLatinFirst)) + " " + std::string(g.pick(kLatinLast));
        return name;
    }
    const bool traditional = kind < 8;
    if (traditional) add(g.pick(kTraditionalSurnames));
    else if (kind < 11) add(g.pick(kRareSurnames));
    else if (kind < 12) {
        const CompoundSurname& surname = g.pick(kCompoundSurnames);
        add(surname.first);
        add(surname.second);
    } else add(kCommonSurnames[g.frequent(std::size(kCommonSurnames))]);
    const int given = g.chance(0.7) ? 2 : 1;
    for (int i = 0; i < given; ++i) {
        if (traditional && g.chance(0.5)) add(g.pick(kTraditionalGiven));
        else if (g.chance(0.12)) add(g.pick(kRareGiven));
        else add(g.pick(kCommonGiven));
    }
    return name;
}

std::string MakeMobile(Generator& g) { return std::string(g.pick(kSegments)) + g.digits(8); }

}  // namespace

std::string SamplePhoto(std::size_t bytes) {
    // A square 24-bit picture whose rows need no padding (width a multiple of 4).
    int side = 4;
    while (54 + static_cast<std::size_t>(side) * side * 3 < bytes) side += 4;
    const std::uint32_t pixels = static_cast<std::uint32_t>(side) * side * 3;
    std::string bmp(54 + pixels, '\0');
    const auto put = [&bmp](std::size_t at, std::uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bmp[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    };
    bmp[0] = 'B', bmp[1] = 'M';
    put(2, static_cast<std::uint32_t>(bmp.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(side), 4);
    put(22, static_cast<std::uint32_t>(side), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, pixels, 4);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const std::size_t at = 54 + (static_cast<std::size_t>(y) * side + x) * 3;
            bmp[at] = static_cast<char>(90);
            bmp[at + 1] = static_cast<char>(y * 255 / (side - 1));
            bmp[at + 2] = static_cast<char>(x * 255 / (side - 1));
        }
    return bmp;
}

bool FillContactBook(const std::string& book, const ContactBookShape& shape, std::string* error) {
    sqlite3* db = nullptr;
    const auto fail = [&](const char* step) {
        if (error) *error = std::string(step) + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        if (db) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        return false;
    };
    if (sqlite3_open_v2(book.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return fail("open");
    // A generated book is remade when a run breaks off, so the journal need not survive one.
    sqlite3_exec(db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) return fail("begin");
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db,
                           "INSERT INTO 通讯录 (姓名, 手机, 首字母, 手机备, QQ, 邮箱, 分组, 座机, 地址, 籍贯, 生日, "
                           "备注, 照片, 性别) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)",
                           -1, &insert, nullptr) != SQLITE_OK)
        return fail("prepare");

    Generator g(shape.seed);
    const std::string photo = SamplePhoto(shape.photoBytes);
    const auto text = [insert](int column, const std::string& value) {
        sqlite3_bind_text(insert, column, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    };
    for (int i = 0; i < shape.contacts; ++i) {
        sqlite3_reset(insert);
        sqlite3_clear_bindings(insert);
        const Name name = MakeName(g);
        text(1, name.text);
        text(2, MakeMobile(g));
        if (!name.initials.empty()) text(3, name.initials);
        if (g.chance(0.10)) text(4, MakeMobile(g));
        std::string qq;
        if (g.chance(0.5)) qq = std::to_string(1 + g.below(9)) + g.digits(5 + static_cast<int>(g.below(5)));
        if (!qq.empty()) text(5, qq);
        if (g.chance(0.3)) text(6, qq.empty() ? "user" + g.digits(6) + "@163.com" : qq + "@qq.com");
        if (g.chance(0.6)) text(7, std::string(g.pick(kGroups)));
        if (g.chance(0.1)) {
            std::string landline = "0";
            landline += std::to_string(10 + g.below(90));
            landline += '-';
            landline += g.digits(8);
            text(8, landline);
        }
        if (g.chance(0.15)) {
            std::string address(g.pick(kCities));
            address += g.pick(kRoads);
            address += std::to_string(1 + g.below(300));
            address += "号";
            text(9, address);
        }
        if (g.chance(0.2)) text(10, std::string(g.pick(kProvinces)));
        if (g.chance(0.25)) {
            char date[16];
            std::snprintf(date, sizeof date, "%04d-%02d-%02d", 1950 + static_cast<int>(g.below(55)),
                          1 + static_cast<int>(g.below(12)), 1 + static_cast<int>(g.below(28)));
            text(11, date);
        }
        if (g.chance(0.05)) text(12, std::string(g.pick(kRemarks)));
        if (g.chance(shape.photoShare))
            sqlite3_bind_blob(insert, 13, photo.data(), static_cast<int>(photo.size()), SQLITE_STATIC);
        if (g.chance(0.8)) text(14, g.chance(0.5) ? "男" : "女");
        if (sqlite3_step(insert) != SQLITE_DONE) {
            sqlite3_finalize(insert);
            return fail("insert");
        }
    }
    sqlite3_finalize(insert);
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) return fail("commit");
    sqlite3_close(db);
    return true;
}

std::string CachedContactBook(const std::string& deliveredBook, const std::string& cacheFolder,
                              const ContactBookShape& shape, std::string* error) {
    namespace fs = std::filesystem;
    char name[96];
    std::snprintf(name, sizeof name, "contacts-%d-p%g-s%u-v%d.mdb", shape.contacts, shape.photoShare,
                  static_cast<unsigned>(shape.seed), kGeneratorVersion);
    const fs::path cached = fs::path(cacheFolder) / name;
    std::error_code failure;
    if (fs::exists(cached, failure)) return cached.string();
    fs::create_directories(cacheFolder, failure);
    const fs::path partial = cached.string() + ".partial";
    fs::remove(partial, failure);
    if (!fs::copy_file(deliveredBook, partial, failure)) {
        if (error) *error = "cannot copy " + deliveredBook + ": " + failure.message();
        return {};
    }
    fs::permissions(partial, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, failure);
    if (!FillContactBook(partial.string(), shape, error)) {
        fs::remove(partial, failure);
        return {};
    }
    fs::rename(partial, cached, failure);
    if (failure) {
        if (error) *error = "cannot rename " + partial.string() + ": " + failure.message();
        return {};
    }
    return cached.string();
}
