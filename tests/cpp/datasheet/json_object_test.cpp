#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "datasheet/json_writer.hpp"

namespace {

using quorra::datasheet::JsonNull;
using quorra::datasheet::JsonObject;
using quorra::datasheet::JsonValue;
using quorra::datasheet::write_json_value;

std::string object_text(const std::vector<std::pair<std::string, JsonValue>>& members) {
    JsonObject object;
    for (const auto& [key, value] : members) {
        object.insert(key, value);
    }
    std::string out;
    object.write(out);
    return out;
}

std::string value_text(const JsonValue& value) {
    std::string out;
    write_json_value(out, value);
    return out;
}

TEST(JsonObject, EmptyObjectIsBraces) { EXPECT_EQ(object_text({}), "{}"); }

TEST(JsonObject, MembersAreWrittenInByteOrderWhateverTheInsertionOrder) {
    EXPECT_EQ(object_text({{"value", 1.0}, {"name", std::string("x")}, {"units", JsonNull{}}}),
              R"({"name":"x","units":null,"value":1.0})");
}

// Upper case before lower case, a prefix before its extensions, and bytes
// from 0x80 up (as in UTF-8 sequences) after every ASCII byte.
TEST(JsonObject, KeysCompareAsUnsignedBytes) {
    EXPECT_EQ(object_text({{"\xc3\xa9", 1.0},
                           {"z", 2.0},
                           {"ab", 3.0},
                           {"a", 4.0},
                           {"B", 5.0},
                           {"", 6.0},
                           {"\x7f", 7.0}}),
              "{\"\":6.0,\"B\":5.0,\"a\":4.0,\"ab\":3.0,\"z\":2.0,\"\x7f\":7.0,"
              "\"\xc3\xa9\":1.0}");
}

TEST(JsonObject, InsertingAPresentKeyReplacesItsValueInPlace) {
    EXPECT_EQ(object_text({{"b", 1.0}, {"a", 2.0}, {"b", std::string("again")}, {"b", JsonNull{}}}),
              R"({"a":2.0,"b":null})");
}

TEST(JsonObject, KeysAndStringValuesAreEscaped) {
    EXPECT_EQ(object_text({{"k\"\n", std::string("v\\\x01")}}), R"({"k\"\n":"v\\\u0001"})");
}

TEST(JsonValue, EachKindIsWrittenByItsWriter) {
    EXPECT_EQ(value_text(JsonNull{}), "null");
    EXPECT_EQ(value_text(std::string("a\tb")), R"("a\tb")");
    EXPECT_EQ(value_text(-0.0), "-0.0");
    EXPECT_EQ(value_text(1e-7), "1e-7");
    EXPECT_EQ(value_text(std::numeric_limits<double>::quiet_NaN()), "null");
}

}  // namespace
