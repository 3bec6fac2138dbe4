// Signatures in the minisign format, against Debian's minisign tool both ways.

#include "support/temp_folder.h"
#include "updater/Minisign.h"
#include "updater/TestKeys.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace hopplix;
using namespace hopplix::test;

namespace {

MinisignSecretKey secretKey(std::string_view text)
{
    std::string problem;
    const auto key = parseMinisignSecretKey(text, problem);
    EXPECT_TRUE(key) << problem;
    return key.value_or(MinisignSecretKey{});
}

#ifndef _WIN32
// Debian's minisign runs on this side only; under Wine the signatures are checked against our own.
bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

class MinisignTool : public ::testing::Test {
protected:
    TempFolder folder;
    std::string path(const char* name) const { return (folder.path() / name).string(); }
    void SetUp() override
    {
        ASSERT_TRUE(run("command -v minisign")) << "minisign is missing: run scripts/setup.sh";
        writeFile(folder.path() / "key.sec", std::string(kTestSecretKey));
        writeFile(folder.path() / "updatedata.txt", "[Namen]\r\nDatei1=a.txt\r\n");
    }
};

TEST_F(MinisignTool, VerifiesWhatWeSign)
{
    writeFile(folder.path() / "updatedata.txt.minisig",
              minisignSign(secretKey(kTestSecretKey), readFile(folder.path() / "updatedata.txt"), "updatedata.txt"));
    EXPECT_TRUE(run("minisign -V -P " + std::string(kTestPublicKey) + " -m " + path("updatedata.txt")));
    EXPECT_FALSE(run("minisign -V -P " + std::string(kOtherPublicKey) + " -m " + path("updatedata.txt")));
}

TEST_F(MinisignTool, WeVerifyWhatItSignsInBothForms)
{
    const auto key = parseMinisignPublicKey(kTestPublicKey);
    ASSERT_TRUE(key);
    const std::string content = readFile(folder.path() / "updatedata.txt");
    for (const char* form : {"", " -l"}) {
        ASSERT_TRUE(run("minisign -S -W -s " + path("key.sec") + form + " -m " + path("updatedata.txt")));
        const std::string signature = readFile(folder.path() / "updatedata.txt.minisig");
        EXPECT_TRUE(minisignVerify(*key, content, signature)) << form;
        EXPECT_FALSE(minisignVerify(*key, content + " ", signature)) << form;
    }
}

#endif

// Made by Debian's minisign with the test key (minisign -S, and -l for the legacy form): they
// are checked under Wine too, where the tool does not run.
TEST(Minisign, VerifiesSignaturesTheToolMadeInBothForms)
{
    const auto key = parseMinisignPublicKey(kTestPublicKey);
    ASSERT_TRUE(key);
    for (const char* signature :
         {"untrusted comment: signature from minisign secret key\n"
          "RUTubnfysVLDimuaoCWf3UHT6V4dPsQOIIGHn4m8AmcH7+JIauga7FdldyErUUy4dRBPFPk/6ne+cGBs9+ZvRiJZX5DjrW2lWwo=\n"
          "trusted comment: timestamp:1700000000\tfile:version.txt\n"
          "MnEOtw5WgnHPTwzBT0uEIa3qNwfVHlFlHLWGWIp3wyFOXvZOf/NRCikRYYfYWCyIxtTasAiZ2BLoK4uKggtPCw==\n",
          "untrusted comment: signature from minisign secret key\n"
          "RWTubnfysVLDiqPxn31qBFRKQiEPDs3YCNEmPOp86030fVTR8gzC4O+MBQBLGP+8ltbOYK7xzWPtm6nFkZP5Ryc8G08RjeDxVgU=\n"
          "trusted comment: legacy\n"
          "qobhx63Gpy5RCSkg20jGGp9Itoufddf0Uq1o2Z+a1prwiR+0Jswaz/5EGPe245qvZu92ubmzrsi93LxS/TM7Dg==\n"}) {
        EXPECT_TRUE(minisignVerify(*key, "Version: 1,1\r\n", signature)) << signature;
        EXPECT_FALSE(minisignVerify(*key, "Version: 1,2\r\n", signature)) << signature;
    }
}

TEST(Minisign, RefusesWhatIsNotTheKeysSignatureOfTheContent)
{
    const auto key = parseMinisignPublicKey(kTestPublicKey);
    const auto other = parseMinisignPublicKey(kOtherPublicKey);
    ASSERT_TRUE(key && other);
    const std::string good = minisignSign(secretKey(kTestSecretKey), "Version: 1,1\r\n", "version.txt");
    EXPECT_TRUE(minisignVerify(*key, "Version: 1,1\r\n", good));
    EXPECT_FALSE(minisignVerify(*other, "Version: 1,1\r\n", good));
    EXPECT_FALSE(minisignVerify(*key, "Version: 9,9\r\n", good));
    EXPECT_FALSE(minisignVerify(*key, "Version: 1,1\r\n",
                                minisignSign(secretKey(kOtherSecretKey), "Version: 1,1\r\n", "version.txt")));
    // The trusted comment is signed too.
    std::string changedComment = good;
    changedComment.replace(changedComment.find("file:version.txt"), 16, "file:other.txtxx");
    EXPECT_FALSE(minisignVerify(*key, "Version: 1,1\r\n", changedComment));
    for (const std::string& malformed : {std::string(), std::string("garbage"), good.substr(0, good.size() / 2)})
        EXPECT_FALSE(minisignVerify(*key, "Version: 1,1\r\n", malformed));

    EXPECT_FALSE(parseMinisignPublicKey("RWT" + std::string(kTestPublicKey.substr(3, 40))));
    EXPECT_TRUE(
        parseMinisignPublicKey("untrusted comment: minisign public key\n" + std::string(kTestPublicKey) + "\n"));
    std::string problem;
    EXPECT_FALSE(parseMinisignSecretKey("untrusted comment: x\nRWQAAEIy\n", problem));
}

} // namespace
