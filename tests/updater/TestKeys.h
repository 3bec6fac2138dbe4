#pragma once
// Two minisign key pairs for tests only (made with minisign -G -W): the update key, and another
// that signs what an attacker would sign.

#include <string_view>

namespace hopplix::test {

inline constexpr std::string_view kTestPublicKey = "RWTubnfysVLDisy0FfvBF2L2Bb+2nwNRockhsX5XwaI4BOeXfj4LrC19";
inline constexpr std::string_view kTestSecretKey =
    "untrusted comment: minisign encrypted secret key\n"
    "RWQAAEIyAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA7m538rFSw4pxCZ8eq034FG67jrD8Pe7Gh9jcrms/"
    "nhBXhb64BmeApMy0FfvBF2L2Bb+2nwNRockhsX5XwaI4BOeXfj4LrC19AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=\n";

inline constexpr std::string_view kOtherPublicKey = "RWSMUpNa0Anx8b7E4g7SlwjnJ/y4EvQHoBObITcN9pSvshW4vV/Qh35g";
inline constexpr std::string_view kOtherSecretKey =
    "untrusted comment: minisign encrypted secret key\n"
    "RWQAAEIyAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAjFKTWtAJ8fEtLBPaj9By9aQ/mq43fTlvpDmv3SKz"
    "8x8ufL/UXCC6+77E4g7SlwjnJ/y4EvQHoBObITcN9pSvshW4vV/Qh35gAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=\n";

} // namespace hopplix::test
