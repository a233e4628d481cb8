// Discovery in the lab when the station's neighbour table does not know an element: the
// element already knows the station's MAC and answers without asking for it by ARP (the
// common case once the station's entries expired while the elements kept theirs).

#include "LabWindowTest.h"

#include "views/ElementTree.h"

namespace {

class LabDiscoveryTest : public LabWindowTest {
protected:
    static void SetUpTestSuite() {
        upLab({QStringLiteral("--role encoder --name \"KNOWS NMS\" --serial 2001"),
               QStringLiteral("--role decoder --name \"ASKS NMS\" --serial 2002")},
              {QStringLiteral("--station-known"), QStringLiteral("1")});
    }
};

TEST_F(LabDiscoveryTest, AnElementThatDoesNotAskForTheStationsMacIsStoredToo) {
    lab_->ipIn(lab_->nmsNamespace(), {"neigh", "flush", "dev", "eth0"});
    ASSERT_EQ(lab_->ipIn(lab_->nmsNamespace(), {"neigh", "show", "dev", "eth0"}).trimmed(), QString());
    discover();
    EXPECT_TRUE(bed.messages.shown.empty()) << bed.messages.texts().join(u'|').toStdString();
    EXPECT_EQ(stored(1, "sn"), "2001");
    EXPECT_EQ(stored(2, "sn"), "2002");
    EXPECT_EQ(w->ui().TreeView1->topLevelItemCount(), 2);
}

} // namespace
