// The settings-key table: each key once, its member of the declared type,
// its default the project's start-up value, and the player's reading of it.
#include <gtest/gtest.h>

#include <set>

#include "project/SettingsIo.h"
#include "project/SettingsKeys.h"

using namespace velmora;

namespace {

ProjectEnvironment Env() {
    ProjectEnvironment e;
    e.screenW = 1366;
    e.screenH = 768;
    e.defaultFace = "Noto Sans CJK SC";
    e.lyricLineHeight = 61;
    return e;
}

// A project with an element behind every index of every scope.
Project Populated(const ProjectEnvironment& env) {
    Project p = MakeDefaultProject(env);
    for (int i = 0; i < 3; ++i)
        p.photos.push_back(NewPhotoEntry("/p/" + std::to_string(i) + ".jpg", p, env));
    p.songs = {"/m/a.mp3", "/m/b.wma"};
    p.lyricFiles = {"/m/a.lrc"};
    return p;
}

std::vector<const SettingKey*> AllKeys() {
    std::vector<const SettingKey*> all(std::begin(kProjectFileOrder), std::end(kProjectFileOrder));
    for (const SettingKey* k : kPackageOrder)
        if (std::find(all.begin(), all.end(), k) == all.end())
            all.push_back(k);
    return all;
}

}  // namespace

TEST(SettingsKeys, EachKeyOnceAndCarriedWhereItsOrderSaysSo) {
    for (auto [order, carrier] : {std::pair{KeyOrder(kProjectFileOrder), kInProjectFile},
                                  std::pair{KeyOrder(kPackageOrder), kInPackage}}) {
        std::set<std::string_view> names;
        for (const SettingKey* k : order) {
            SCOPED_TRACE(std::string(k->name));
            EXPECT_TRUE(names.insert(k->name).second) << "listed twice";
            EXPECT_TRUE(k->In(carrier));
            // An indexed key is named by its stem up to "(".
            EXPECT_EQ(k->Indexed(), k->name.back() == '(');
        }
        // Runs of one indexed scope are contiguous: each scope forms one run.
        std::set<KeyScope> ended;
        for (size_t i = 0; i < order.size(); ++i) {
            KeyScope s = order[i]->scope;
            if (s == KeyScope::Global || s == KeyScope::Indexed)
                continue;
            EXPECT_FALSE(ended.count(s)) << order[i]->name;
            if (i + 1 == order.size() || order[i + 1]->scope != s)
                ended.insert(s);
        }
    }
    // Every key carried in a file is in that file's order.
    for (const SettingKey* k : AllKeys()) {
        SCOPED_TRACE(std::string(k->name));
        EXPECT_EQ(FindSettingKey(k->name), k);
        auto in = [&](KeyOrder o) { return std::find(o.begin(), o.end(), k) != o.end(); };
        EXPECT_EQ(k->In(kInProjectFile), in(kProjectFileOrder));
        EXPECT_EQ(k->In(kInPackage), in(kPackageOrder));
        if (k->In(kInPreferences)) {
            EXPECT_TRUE(in(KeyOrder(kProjectFileOrder).first(kProjectListPartStart)));
        }
    }
    EXPECT_EQ(FindSettingKey("NoSuchKey"), nullptr);
    EXPECT_EQ(KeyName(keys::ImgNames, 3), "ImgNames(3)");
    EXPECT_EQ(KeyName(keys::TxtSetting, 0), "TxtSetting(0)");
    EXPECT_EQ(KeyName(keys::NowI), "NowI");
}

TEST(SettingsKeys, MembersHaveTheKeysTypeAndTakeWhatIsSet) {
    ProjectEnvironment env = Env();
    for (const SettingKey* k : AllKeys()) {
        SCOPED_TRACE(std::string(k->name));
        Project p = Populated(env);
        IndexRange r = IndicesOf(k->scope, p);
        auto v = KeyValue(*k, p, r.first);
        if (k->derived == Derived::BuildValue || k->scope == KeyScope::Indexed) {
            EXPECT_FALSE(v.has_value());
            continue;
        }
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(v->type(), k->type);
        if (k->derived != Derived::None)
            continue;
        // A value set through the table is the member's value afterwards,
        // at the last index, and nothing else changes.
        Value set;
        switch (k->type) {
            case ValueType::String:
                set = Value::Text("设定值 " + std::string(k->name));
                break;
            case ValueType::Long:
                set = Value::Long(-4242);
                break;
            case ValueType::Single:
                set = Value::Single(6.25f);
                break;
            case ValueType::Boolean:
                set = Value::Boolean(!v->boolean());
                break;
            case ValueType::Integer:
                FAIL() << "no member is an Integer";
        }
        Project before = p;
        ASSERT_TRUE(SetMemberValue(*k, p, r.last, set));
        EXPECT_EQ(*KeyValue(*k, p, r.last), set);
        ASSERT_TRUE(SetMemberValue(*k, p, r.last, *KeyValue(*k, before, r.last)));
        EXPECT_TRUE(p.photos == before.photos && p.songs == before.songs &&
                    p.styles == before.styles && p.TitleText == before.TitleText);
        EXPECT_EQ(p.StyleSelectText(), before.StyleSelectText());
        // A text that is no number does not convert; the member stays.
        if (k->type == ValueType::Long || k->type == ValueType::Single) {
            EXPECT_FALSE(SetMemberValue(*k, p, r.last, Value::Text("abc")));
            EXPECT_EQ(*KeyValue(*k, p, r.last), *KeyValue(*k, before, r.last));
        }
        // Out of range indices are refused.
        if (k->scope == KeyScope::Photo || k->scope == KeyScope::Song) {
            EXPECT_FALSE(SetMemberValue(*k, p, r.last + 1, set));
        }
    }
}

TEST(SettingsKeys, DefaultsAreTheProjectsStartUpValues) {
    for (ProjectEnvironment env : {Env(), ProjectEnvironment{}}) {
        SCOPED_TRACE(env.screenW);
        Project p = MakeDefaultProject(env);
        p.photos.push_back(NewPhotoEntry("/p/a.jpg", p, env));  // the writer needs a photo
        int withDefault = 0;
        for (const SettingKey* k : kProjectFileOrder) {
            SCOPED_TRACE(std::string(k->name));
            IndexRange r = IndicesOf(k->scope, p);
            for (int i = r.first; i <= r.last; ++i) {
                auto d = DefaultValue(*k, env, i);
                if (!d)
                    continue;
                ++withDefault;
                EXPECT_EQ(*d, *KeyValue(*k, p, i)) << i;
            }
        }
        EXPECT_GT(withDefault, 80);
    }
    // The plain struct's own initial values agree with the table.
    const Project plain;
    for (const SettingKey* k : kProjectFileOrder) {
        if (k->scope != KeyScope::Global || k->derived != Derived::None ||
            k->def.kind != KeyDefault::Kind::Value)
            continue;
        EXPECT_EQ(*DefaultValue(*k, Env()), *KeyValue(*k, plain)) << k->name;
    }
    EXPECT_FALSE(DefaultValue(keys::NowI, Env()).has_value());
    EXPECT_FALSE(DefaultValue(keys::ImgCaption, Env(), 1).has_value());
}

TEST(SettingsKeys, WriteConditions) {
    ProjectEnvironment env = Env();
    Project p = Populated(env);
    p.photos[1].Caption = "说明";
    p.photos[2].ImgPosY = 7;
    p.LogoImage = "/a/b.jp";             // 7 characters: no file
    p.EndingImage = "图片图片图片图片";  // 8 code points: a file
    struct Case {
        const SettingKey* key;
        int index;
        bool written;
    } cases[] = {{&keys::TitleText, 1, false},     {&keys::TxtSetting, 0, true},
                 {&keys::TxtSetting, 1, false},    {&keys::LogoImage, 0, false},
                 {&keys::EndingImage, 0, true},    {&keys::ImgPosY, 3, true},
                 {&keys::ImgPosX, 3, false},       {&keys::CapPosW, 2, true},
                 {&keys::CapPosW, 1, false},       {&keys::HeadSize, 2, false},
                 {&keys::ExportPassword, 0, true}, {&keys::SongDurationTotal, 0, false}};
    for (const Case& c : cases)
        EXPECT_EQ(KeyIsWritten(*c.key, p, c.index), c.written) << KeyName(*c.key, c.index);
}

TEST(SettingsKeys, ThePlayersReadingFallsBackToTheDefault) {
    PropertyBag bag;
    bag.WriteProperty("ImgDrawScale", Value::Long(1));
    bag.WriteProperty("SolidColor", Value::Text("not a number"));
    bag.WriteProperty("ShowCursor", Value::Boolean(true));
    EXPECT_EQ(PackageLong(bag, keys::ImgDrawScale), 1);
    EXPECT_EQ(PackageLong(bag, keys::SolidColor), 0x000000);
    EXPECT_EQ(PackageLong(bag, keys::BackgroundDrawScale), 2);
    EXPECT_EQ(PackageLong(bag, keys::BeginColor), 0x80FFFF);
    EXPECT_TRUE(PackageBool(bag, keys::ShowCursor));
    EXPECT_TRUE(PackageBool(bag, keys::EnableTransition));
    EXPECT_EQ(PackageText(bag, keys::BackGroundSet), "1");
    EXPECT_EQ(PackageLong(bag, keys::fFontSize, 4), 120);
}

TEST(SettingsKeys, BackgroundChoiceAndItsStoredText) {
    for (BackgroundMode m :
         {BackgroundMode::Solid, BackgroundMode::Gradient, BackgroundMode::Picture})
        EXPECT_EQ(ParseBackgroundMode(BackgroundModeText(m)), m);
    EXPECT_EQ(BackgroundModeText(BackgroundMode::Picture), "3");
    for (const char* t : {"", "0", "4", "3 ", "１", "33"})
        EXPECT_FALSE(ParseBackgroundMode(t).has_value()) << t;
    Project p;
    EXPECT_EQ(p.Background(), BackgroundMode::Solid);
}
