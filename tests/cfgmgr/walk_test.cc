// The shapes of gets and the journal, on a small catalogue of the tests' own.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cfgmgr/catalogue.h"
#include "cfgmgr/persist.h"
#include "cfgmgr/store.h"
#include "cmclient/cm.h"

namespace {

const char kCatalogue[] = R"(module t
object item table keys id
field id uint32
field label string maxlen 8 unique
object stmt table keys entry,number scope entry
field entry string maxlen 8
field number int32
field text string
object parent table keys name
field name string maxlen 8
object child table keys id
field id uint32
field parent string maxlen 8 ref t/parent/name cascade
object keeper table keys id
field id uint32
field parent string maxlen 8 ref t/parent/name
)";

// `object` is of module t, or "module/object".
std::string text(const char *op, const std::string &object, const std::string &fields) {
    size_t slash = object.find('/');
    std::string module = slash == std::string::npos ? "t" : object.substr(0, slash);
    std::string name = object.substr(slash + 1);
    return "<module_" + module + "><" + op + "><" + name + ">" + fields + "</" + name + "></" + op +
           "></module_" + module + ">";
}

void create(const std::string &object, const std::string &fields,
            const char *how = "<rowStatus>create</rowStatus>") {
    cfgReply_t r = cfgStoreHandle(0, text("set", object, fields + how).c_str());
    ASSERT_EQ(r.status, 1u) << fields << ": " << r.message;
}

cfgReply_t get(uint32_t flags, const std::string &object, const std::string &fields) {
    return cfgStoreHandle(flags, text("get", object, fields).c_str());
}

// "status:first-key-value" of a reply, e.g. "2:10", or "1:" for an empty one.
std::string shape(const cfgReply_t &r, const char *key) {
    std::string open = std::string("<") + key + ">";
    size_t at = r.data.find(open);
    if (r.status == 0) return "0 " + r.message;
    if (at == std::string::npos) return std::to_string(r.status) + ":";
    at += open.size();
    if (r.data.compare(at, 9, "<![CDATA[") == 0) at += 9;
    return std::to_string(r.status) + ":" + r.data.substr(at, r.data.find_first_of("<]", at) - at);
}

class WalkTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The shipped catalogue and its factory rows too, for the walks of its tables.
        std::string why;
        std::vector<cfgCatalogueFile> files;
        ASSERT_EQ(cfgCatalogueFiles(CFGMGR_DATA_DIR, &files, &why), 0) << why;
        files.push_back({"catalogue/t", kCatalogue});
        ASSERT_EQ(cfgStoreInitFrom(files, CFGMGR_DATA_DIR, &why), 0) << why;
        ASSERT_EQ(cfgApplyFactory(&why), 0) << why;
        for (const char *row : {"<id>10</id><label>ten</label>", "<id>2</id><label>two</label>",
                                "<id>1</id><label>one</label>"})
            create("item", row);
        for (const char *row :
             {"<entry>a</entry><number>2</number>", "<entry>b</entry><number>-5</number>",
              "<entry>a</entry><number>-1</number>"})
            create("stmt", row);
        for (const char *vlan : {"a", "b"})
            create("vlan/vlan",
                   std::string("<vrName>VR-Default</vrName><name>") + vlan + "</name>");
        for (const char *entry :
             {"02</macAddr><vlanName>a", "01</macAddr><vlanName>b", "01</macAddr><vlanName>a"})
            create("fdb/fdb_op",
                   std::string("<macAddr>00:00:00:00:00:") + entry +
                       "</vlanName><portList>1:5</portList>",
                   "<action>create</action>");
    }
};

TEST_F(WalkTest, NextAnswersTwoWhileMoreFollowAndOneForTheLast) {
    struct Case {
        const char *object, *given, *key, *want;
    } cases[] = {
        // Numbers order by value, not by text ("10" after "2").
        {"item", "", "id", "2:1"},
        {"item", "<id>1</id>", "id", "2:2"},
        {"item", "<id>2</id>", "id", "1:10"},
        {"item", "<id>10</id>", "id", "1:"},
        {"item", "<id>5</id>", "id", "1:10"},
        // A unique field alone names the row to go on from; the walk always advances.
        {"item", "<label>one</label>", "id", "2:2"},
        {"item", "<label>gone</label>", "id", "1:"},
        // A scoped walk stays within the entry given; negative numbers order first.
        {"stmt", "<entry>a</entry>", "number", "2:-1"},
        {"stmt", "<entry>a</entry><number>-1</number>", "number", "1:2"},
        {"stmt", "<entry>a</entry><number>2</number>", "number", "1:"},
        {"stmt", "<entry>b</entry>", "number", "1:-5"},
        // Without the scope's field the walk spans every entry.
        {"stmt", "", "entry", "2:a"},
        // FDB entries walk by MAC address, then by VLAN: past every VLAN of ...:01 is ...:02.
        {"fdb/fdb_show", "<mac_addr>00:00:00:00:00:01</mac_addr><vlanInstance>99999</vlanInstance>",
         "vlan_name", "1:a"},
        // Values of the wrong type are refused, even in a walk.
        {"item", "<id>x</id>", "id", "0 Value \"x\" is not valid for field \"id\"."},
    };
    for (const Case &c : cases)
        EXPECT_EQ(shape(get(CM_GET_NEXT, c.object, c.given), c.key), c.want) << c.object << c.given;
}

TEST_F(WalkTest, ExactAndPlainGets) {
    struct Case {
        uint32_t flags;
        const char *object, *given, *key, *want;
    } cases[] = {
        {CM_GET_EXACT, "item", "<id>2</id>", "label", "1:two"},
        {CM_GET_EXACT, "item", "<id>3</id>", "label", "1:"},
        {CM_GET_EXACT, "item", "<label>ten</label>", "id", "1:10"},
        {CM_GET_EXACT, "stmt", "<number>2</number>", "entry", "0 Missing key field \"entry\"."},
        // A numeric key given as 0 (or not at all) matches any value.
        {CM_GET_EXACT, "stmt", "<entry>a</entry><number>0</number>", "number", "1:-1"},
        {CM_GET_PLAIN, "stmt", "<entry>a</entry>", "number", "1:-1"},
        // Empty elements give nothing to a get.
        {CM_GET_EXACT, "item", "<id/><label>two</label>", "id", "1:2"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(shape(get(c.flags, c.object, c.given), c.key), c.want) << c.object << c.given;
    // The key given wins over the unique field when both are there.
    EXPECT_EQ(shape(get(CM_GET_EXACT, "item", "<id>1</id><label>ten</label>"), "id"), "1:1");
    // A plain get without the whole key answers every row the given fields match.
    cfgReply_t all = get(CM_GET_PLAIN, "stmt", "<entry>a</entry>");
    EXPECT_EQ(all.data,
              "<stmt><entry><![CDATA[a]]></entry><number>-1</number></stmt>"
              "<stmt><entry><![CDATA[a]]></entry><number>2</number></stmt>");
}

TEST_F(WalkTest, SetsFindTheirRowByAUniqueField) {
    const std::string del = text("set", "item", "<label>two</label><rowStatus>delete</rowStatus>");
    EXPECT_EQ(cfgStoreHandle(0, del.c_str()).status, 1u);
    EXPECT_EQ(shape(get(CM_GET_EXACT, "item", "<id>2</id>"), "id"), "1:");
    EXPECT_EQ(cfgStoreHandle(0, del.c_str()).message, "item \"two\" does not exist.");
}

// A request changes everything it should or nothing: a cascade that meets a row that
// may not go puts back the rows it had already deleted.
TEST_F(WalkTest, FailedDeleteLeavesTheCascadedRowsInPlace) {
    create("parent", "<name>p</name>");
    create("child", "<id>1</id><parent>p</parent>");
    create("child", "<id>2</id><parent>p</parent>");
    create("keeper", "<id>1</id><parent>p</parent>");
    const std::string before = cfgPersistText();
    cfgReply_t r = cfgStoreHandle(
        0, text("set", "parent", "<name>p</name><rowStatus>delete</rowStatus>").c_str());
    EXPECT_EQ(r.message, "parent \"p\" is in use by keeper \"1\".");
    EXPECT_EQ(cfgPersistText(), before);

    ASSERT_EQ(
        cfgStoreHandle(0, text("set", "keeper", "<id>1</id><rowStatus>delete</rowStatus>").c_str())
            .status,
        1u);
    ASSERT_EQ(cfgStoreHandle(
                  0, text("set", "parent", "<name>p</name><rowStatus>delete</rowStatus>").c_str())
                  .status,
              1u);
    EXPECT_EQ(get(CM_GET_PLAIN, "child", "").data, "");
}

}  // namespace
