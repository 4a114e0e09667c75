// Damaged and random texts: lookups follow the scanning rules as far as they
// go and never read past the text; well-formed random files answer every
// lookup as their structure says.
#include <cctype>
#include <iterator>
#include <optional>
#include <vector>

#include "tests/tdf/tdf_fixture.h"

namespace {

using testsupport::Rng;

using Malformed = TdfTest;

TEST_F(Malformed, StatementWithoutSemicolonRunsIntoTheNextStatement) {
    Load("[A]{x=1}[B]{y=2;}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("x"), "1}[B]{y=2");
    ASSERT_TRUE(EnterPath({"B"}));
    EXPECT_EQ(Get("y"), "2");
    Load("[A]{x=1");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("x"), "1") << "the value runs to the end of the text";
    EXPECT_EQ(TDF_GetInt(&tdf, "x"), 1);
}

TEST_F(Malformed, UnbalancedBraces) {
    Load("[A]{{{x=1;[B]{y=2;");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("x"), "<absent>") << "a statement can't start with a brace";
    ASSERT_TRUE(EnterPath({"A", "B"})) << "no closing brace: the search runs to the end";
    EXPECT_EQ(Get("y"), "2");
    Load("}}}[A]{x=1;}}}}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("x"), "1");
    EXPECT_FALSE(EnterPath({"A", "Z"}));
}

TEST_F(Malformed, BracketInsideAValue) {
    Load("[A]{x=a[b;y=2;}[b]{z=3;}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("x"), "a[b");
    EXPECT_EQ(Get("y"), "2");
    EXPECT_FALSE(EnterPath({"A", "b"}));
    ASSERT_TRUE(EnterPath({"b"}));
    EXPECT_EQ(Get("z"), "3");
}

TEST_F(Malformed, FileEndingInsideASection) {
    for (const char* text : {"[A]{x=1;[B]{y=2", "[A]{x=1;[B]{", "[A]{x=1;[B]", "[A]{x=1;[B", "[A]{x=1;[",
                             "[A]{x=", "[A]{x", "[A]{", "[A]", "[A", "["}) {
        SCOPED_TRACE(text);
        Load(text);
        const std::string normalised = Text();
        if (EnterPath({"A"})) {
            TDF_GetInt(&tdf, "x");
            Get("x");
            Get("y");
            if (TDF_EnterSection(&tdf, "B")) Get("y");
        }
        EXPECT_EQ(Text(), normalised);
    }
}

TEST_F(Malformed, ChildSectionWithoutBodyEndsTheKeySearch) {
    Load("[A]{[B]x=1;}y=2;}");
    ASSERT_TRUE(EnterPath({"A"}));
    EXPECT_EQ(Get("x"), "<absent>");
    EXPECT_EQ(Get("y"), "<absent>");
}

TEST_F(Malformed, StatementsStartingWithADelimiterEndTheKeySearch) {
    for (const char* text : {"[A]{=x;k=1;}", "[A]{]x;k=1;}", "[A]{{}k=1;}", "[A]{}k=1;}"}) {
        SCOPED_TRACE(text);
        Load(text);
        ASSERT_TRUE(EnterPath({"A"}));
        EXPECT_EQ(Get("k"), "<absent>");
    }
}

// ---- random texts -----------------------------------------------------

// Checks the shape every normalised text has, then runs lookups with names
// taken from the text and checks that none of them changes it.
void ExerciseText(TdfFile& tdf, Rng& rng, const std::vector<std::string>& names) {
    const std::string normalised(tdf.text);
    const char* begin = tdf.text;
    const char* end = tdf.text + normalised.size();
    ASSERT_LE(normalised.size(), tdf.length);
    auto delimiter = [](char c) { return std::strchr("[]=;{}", c) && c; };
    auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    for (size_t i = 0; i + 1 < normalised.size(); ++i) {
        ASSERT_FALSE(delimiter(normalised[i]) && space(normalised[i + 1])) << i;
        ASSERT_FALSE(space(normalised[i]) && delimiter(normalised[i + 1])) << i;
        ASSERT_FALSE(normalised[i] == '/' && (normalised[i + 1] == '/' || normalised[i + 1] == '*')) << i;
    }

    TDF_Rewind(&tdf);
    char buffer[300];
    for (int op = 0; op < 24; ++op) {
        const std::string& name = names[rng.below(static_cast<uint32_t>(names.size()))];
        switch (rng.below(6)) {
        case 0:
            TDF_Rewind(&tdf);
            break;
        case 1:
        case 2:
            if (TDF_EnterSection(&tdf, name.c_str())) {
                ASSERT_NE(tdf.currentSection, nullptr);
                ASSERT_GE(tdf.currentSection, begin);
                ASSERT_LT(tdf.currentSection, end);
                ASSERT_EQ(*tdf.currentSection, '{');
            } else {
                ASSERT_EQ(tdf.currentSection, nullptr);
            }
            break;
        case 3:
            if (const char* v = TDF_FindKey(&tdf, name.c_str())) {
                ASSERT_GT(v, begin);
                ASSERT_LE(v, end);
                ASSERT_EQ(v[-1], '=');
            }
            break;
        case 4:
            TDF_GetIntDefault(&tdf, name.c_str(), 1);
            TDF_GetFloatDefault(&tdf, name.c_str(), 1.0);
            break;
        case 5: {
            int32_t size = static_cast<int32_t>(rng.below(sizeof buffer));
            int found = TDF_GetString(&tdf, buffer, name.c_str(), size);
            ASSERT_LE(std::strlen(buffer), static_cast<size_t>(size));
            if (!found) {
                ASSERT_STREQ(buffer, "");
            }
            break;
        }
        }
        ASSERT_EQ(normalised, std::string(tdf.text)) << "operation " << op;
        ASSERT_EQ(tdf.text[normalised.size()], 0);
    }
}

// Words found between brackets and before '=' in a text, plus a few others,
// so that lookups hit as well as miss.
std::vector<std::string> NamesIn(const std::string& text) {
    std::vector<std::string> names = {"", "a", "A", "key", std::string(254, 'a'), std::string(253, 'a')};
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '[' && text[i] != ';' && text[i] != '{') continue;
        size_t j = text.find_first_of("[]=;{}", i + 1);
        if (j == std::string::npos) j = text.size();
        names.push_back(text.substr(i + 1, j - i - 1));
    }
    return names;
}

TEST_F(Malformed, RandomByteSoupNeverEscapesTheText) {
    static const char* const kPieces[] = {"[", "]", "{", "}", "=", ";", " ", "\n", "\t", "\r", "//", "/*", "*/",
                                          "/", "*", "a", "A", "key", "b c", "1", "-2.5e3", "[a]", "{[A]{"};
    Rng rng(20261207);
    const std::string path = (dir.path() / "soup.tdf").string();
    for (int n = 0; n < 3000; ++n) {
        std::string text;
        size_t pieces = 1 + rng.below(120);
        for (size_t i = 0; i < pieces; ++i) {
            uint32_t pick = rng.below(100);
            if (pick == 0) text += std::string(1 + rng.below(300), 'a');
            else if (pick == 1) text += static_cast<char>(rng.below(256));
            else text += kPieces[rng.below(std::size(kPieces))];
        }
        testsupport::WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
        ASSERT_EQ(TDF_Load(&tdf, path.c_str()), 1) << n;
        SCOPED_TRACE("case " + std::to_string(n));
        ExerciseText(tdf, rng, NamesIn(tdf.text));
        if (HasFatalFailure()) return;
    }
}

// A well-formed file as a tree, rendered with random white space and
// comments; every lookup must give what the tree says.
struct Node {
    std::string name;
    std::vector<std::pair<std::string, std::string>> statements;  // in file order
    std::vector<Node> children;
};

const char* const kNames[] = {"A", "a", "AB", "W1", "W", "W12", "Core Tank", "x.y"};
const char* const kKeys[] = {"k", "K", "kk", "name", "my key", "k2"};
const char* const kValueWords[] = {"Big", "tank", "1", "-3", "0.5", "a-b", "x.y", "*", "'q'"};

std::string RandomValue(Rng& rng) {
    std::string v;
    size_t words = rng.below(4);
    for (size_t i = 0; i < words; ++i) {
        if (i) v += std::string(1 + rng.below(2), ' ');
        v += kValueWords[rng.below(std::size(kValueWords))];
    }
    return v;
}

Node RandomNode(Rng& rng, int depth) {
    Node node;
    node.name = kNames[rng.below(std::size(kNames))];
    size_t items = rng.below(6);
    for (size_t i = 0; i < items; ++i) {
        if (depth < 3 && rng.below(3) == 0) node.children.push_back(RandomNode(rng, depth + 1));
        else node.statements.emplace_back(kKeys[rng.below(std::size(kKeys))], RandomValue(rng));
    }
    return node;
}

// White space and comments that may stand next to any delimiter.
std::string Filler(Rng& rng) {
    switch (rng.below(8)) {
    case 0: return " ";
    case 1: return "\r\n\t ";
    case 2: return " /* c; [x]{y=1;} */ ";
    case 3: return "// line; [z]{}\n";
    case 4: return "/*/ still a comment */";
    default: return "";
    }
}

void Render(const Node& node, Rng& rng, std::string& out) {
    out += "[" + Filler(rng) + node.name + Filler(rng) + "]" + Filler(rng) + "{" + Filler(rng);
    // Interleave statements and children in a random but recorded order.
    size_t s = 0, c = 0;
    while (s < node.statements.size() || c < node.children.size()) {
        bool child = c < node.children.size() && (s == node.statements.size() || rng.below(2));
        if (child) {
            Render(node.children[c++], rng, out);
        } else {
            const auto& [key, value] = node.statements[s++];
            out += key + Filler(rng) + "=" + Filler(rng) + value + Filler(rng) + ";" + Filler(rng);
            if (rng.below(5) == 0) out += ";" + Filler(rng);
        }
    }
    out += "}" + Filler(rng);
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Walks the tree the way lookups resolve it (first section of a name wins)
// and checks every key of every reachable section.
void CheckNode(TdfFile& tdf, const std::vector<const Node*>& level,
               std::vector<std::string>& path, std::string& failures) {
    for (const char* name : kNames) {
        const Node* found = nullptr;
        for (const Node* n : level)
            if (SameName(n->name, name)) { found = n; break; }
        path.push_back(name);
        TDF_Rewind(&tdf);
        bool entered = true;
        for (const std::string& p : path) entered = entered && TDF_EnterSection(&tdf, p.c_str());
        if (entered != (found != nullptr)) {
            failures += "enter mismatch at depth " + std::to_string(path.size()) + " name " + name + "\n";
        } else if (found) {
            for (const char* key : kKeys) {
                std::optional<std::string> expected;
                for (const auto& [k, v] : found->statements)
                    if (SameName(k, key)) { expected = v; break; }
                char buffer[256];
                int got = TDF_GetString(&tdf, buffer, key, 255);
                if (got != expected.has_value() || (got && expected != std::string(buffer)))
                    failures += std::string("key ") + key + " in " + name + ": got " +
                                (got ? buffer : "<absent>") + " expected " + expected.value_or("<absent>") + "\n";
            }
            std::vector<const Node*> children;
            for (const Node& c : found->children) children.push_back(&c);
            CheckNode(tdf, children, path, failures);
        }
        path.pop_back();
    }
}

TEST_F(Malformed, RandomWellFormedFilesAnswerAsTheirStructureSays) {
    Rng rng(77);
    const std::string path = (dir.path() / "tree.tdf").string();
    for (int n = 0; n < 400; ++n) {
        std::vector<Node> top;
        size_t count = 1 + rng.below(4);
        for (size_t i = 0; i < count; ++i) top.push_back(RandomNode(rng, 0));
        std::string text = Filler(rng);
        for (const Node& node : top) Render(node, rng, text);
        testsupport::WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
        ASSERT_EQ(TDF_Load(&tdf, path.c_str()), 1);
        std::vector<const Node*> level;
        for (const Node& node : top) level.push_back(&node);
        std::vector<std::string> sectionPath;
        std::string failures;
        CheckNode(tdf, level, sectionPath, failures);
        ASSERT_EQ(failures, "") << "case " << n << "\n" << text;
        ExerciseText(tdf, rng, NamesIn(tdf.text));
        if (HasFatalFailure()) return;
    }
}

}  // namespace
