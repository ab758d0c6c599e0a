// The event classes: fixed type ids and names, text forms, and copies that keep the payload but take a
// fresh time stamp.
#include "events/EvtData_Destroy_Actor.h"
#include "events/EvtData_Modified_Render_Component.h"
#include "events/EvtData_Move_Actor.h"
#include "events/EvtData_New_Actor.h"
#include "events/EvtData_New_Render_Component.h"
#include "events/EvtData_Request_New_Actor.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{
std::string TextOf(const IEventData& event)
{
    std::ostringstream out;
    event.Serialize(out);
    return out.str();
}

Matrix4x4 SampleMatrix()
{
    Matrix4x4 m = Matrix4x4::RotationYawPitchRoll(0.25f, 0.5f, -0.75f) * Matrix4x4::Translation(1.5f, -2, 300);
    return m;
}

// Scene nodes are opaque to events; a pointer that shares `owner` stands in for one and is never used.
std::shared_ptr<ISceneNode> StandInNode(const std::shared_ptr<int>& owner)
{
    return std::shared_ptr<ISceneNode>(owner, reinterpret_cast<ISceneNode*>(owner.get()));
}
}

TEST(EventIdentity, EachClassHasItsFixedTypeIdAndName)
{
    const EvtData_New_Actor newActor(1, 2);
    const EvtData_Request_New_Actor request("a.xml", nullptr, 1);
    const EvtData_Move_Actor move(1, Matrix4x4{});
    const EvtData_New_Render_Component newRender(1, nullptr);
    const EvtData_Modified_Render_Component modified(1);
    const EvtData_Destroy_Actor destroy(1);

    EXPECT_EQ(newActor.GetEventType(), 0xE86C7C31u);
    EXPECT_EQ(request.GetEventType(), 0x40378C64u);
    EXPECT_EQ(move.GetEventType(), 0xEEAA0A40u);
    EXPECT_EQ(newRender.GetEventType(), 0xAF4AFF75u);
    EXPECT_EQ(modified.GetEventType(), 0x80FE9766u);
    EXPECT_EQ(destroy.GetEventType(), 0x77DD2B3Au);

    EXPECT_EQ(newActor.GetName(), "EvtData_New_Actor");
    EXPECT_EQ(request.GetName(), "EvtData_Request_New_Actor");
    EXPECT_EQ(move.GetName(), "EvtData_Move_Actor");
    EXPECT_EQ(newRender.GetName(), "EvtData_New_Render_Component");
    EXPECT_EQ(modified.GetName(), "EvtData_Modified_Render_Component");
    EXPECT_EQ(destroy.GetName(), "EvtData_Destroy_Actor");

    // The type id and name are single static objects, shared by every instance.
    EXPECT_EQ(&move.GetEventType(), &EvtData_Move_Actor(2, Matrix4x4{}).GetEventType());
    EXPECT_EQ(&move.GetName(), &EvtData_Move_Actor::s_name);
}

TEST(EventText, NewActorWritesBothIdsEachFollowedBySpace)
{
    EXPECT_EQ(TextOf(EvtData_New_Actor(3, 0xFFFFFFFF)), "3 4294967295 ");

    EvtData_New_Actor read(0, 0);
    std::istringstream in("42 7 ");
    read.Deserialize(in);
    EXPECT_EQ(read.GetActorId(), 42u);
    EXPECT_EQ(read.GetSecondaryId(), 7u);
}

TEST(EventText, RequestNewActorWritesMatrixOnlyWhenItHasOne)
{
    EXPECT_EQ(TextOf(EvtData_Request_New_Actor("ship.xml", nullptr, 9)), "ship.xml 0 9 ");

    const Matrix4x4 translation = Matrix4x4::Translation(1, 2, 3);
    EXPECT_EQ(TextOf(EvtData_Request_New_Actor("ship.xml", &translation, 9)),
              "ship.xml 1 1 0 0 0 0 1 0 0 0 0 1 0 1 2 3 1 9 ");

    // A stream set to print words for bools still gets 0 and 1.
    std::ostringstream words;
    words << std::boolalpha;
    EvtData_Request_New_Actor("ship.xml", nullptr, 9).Serialize(words);
    EXPECT_EQ(words.str(), "ship.xml 0 9 ");
}

TEST(EventText, RequestNewActorRoundTripsWithAndWithoutMatrix)
{
    const Matrix4x4 matrix = Matrix4x4::Translation(0.5f, -4, 12);
    std::stringstream withMatrix;
    EvtData_Request_New_Actor("crate.xml", &matrix, 21).Serialize(withMatrix);
    EvtData_Request_New_Actor read("", nullptr, 0);
    read.Deserialize(withMatrix);
    EXPECT_EQ(read.GetResource(), "crate.xml");
    EXPECT_TRUE(read.HasTransform());
    EXPECT_EQ(read.GetTransform(), matrix);
    EXPECT_EQ(read.GetActorId(), 21u);

    std::stringstream withoutMatrix;
    EvtData_Request_New_Actor("rock.xml", nullptr, 4).Serialize(withoutMatrix);
    read.Deserialize(withoutMatrix);
    EXPECT_EQ(read.GetResource(), "rock.xml");
    EXPECT_FALSE(read.HasTransform());
    EXPECT_EQ(read.GetActorId(), 4u);
}

TEST(EventText, ResourceWithSpaceDoesNotSurviveTheTextForm)
{
    std::stringstream text;
    EvtData_Request_New_Actor("my ship.xml", nullptr, 4).Serialize(text);
    EvtData_Request_New_Actor read("", nullptr, 0);
    read.Deserialize(text);
    EXPECT_EQ(read.GetResource(), "my");
    EXPECT_NE(read.GetActorId(), 4u);
}

TEST(EventText, MoveActorWritesIdThenSixteenFloatsWithSixDigits)
{
    Matrix4x4 matrix = Matrix4x4::Translation(1.25f, 0, -3);
    matrix.m[0] = 0.123456789f;
    EXPECT_EQ(TextOf(EvtData_Move_Actor(7, matrix)), "7 0.123457 0 0 0 0 1 0 0 0 0 1 0 1.25 0 -3 1 ");

    std::stringstream text;
    EvtData_Move_Actor(12, SampleMatrix()).Serialize(text);
    EvtData_Move_Actor read(0, Matrix4x4{});
    read.Deserialize(text);
    EXPECT_EQ(read.GetActorId(), 12u);
    for (int i = 0; i < 16; ++i)
    {
        // Six significant digits survive, no more.
        EXPECT_NEAR(read.GetTransform().m[i], SampleMatrix().m[i], 1e-3f) << "element " << i;
    }
}

TEST(EventText, RenderComponentEventsWriteIdOnlyOrNothing)
{
    EXPECT_EQ(TextOf(EvtData_Modified_Render_Component(7)), "7");
    EXPECT_EQ(TextOf(EvtData_Destroy_Actor(7)), "7");
    EXPECT_EQ(TextOf(EvtData_New_Render_Component(7, nullptr)), "");

    std::istringstream in("15 rest");
    EvtData_New_Render_Component newRender(1, nullptr);
    newRender.Deserialize(in);
    EXPECT_EQ(static_cast<std::streamoff>(in.tellg()), 0) << "deserialising a new render component consumes nothing";
    EvtData_Modified_Render_Component modified(0);
    modified.Deserialize(in);
    EXPECT_EQ(modified.GetActorId(), 15u);
    EvtData_Destroy_Actor destroy(0);
    std::istringstream destroyText("33");
    destroy.Deserialize(destroyText);
    EXPECT_EQ(destroy.GetActorId(), 33u);
}

TEST(EventText, MalformedTextFailsTheStreamWithoutReadingPastIt)
{
    EvtData_Move_Actor read(5, Matrix4x4{});
    std::istringstream in("8 1 2 x");
    read.Deserialize(in);
    EXPECT_TRUE(in.fail());
    EXPECT_EQ(read.GetActorId(), 8u);
}

TEST(EventCopy, CopiesKeepClassAndPayloadButTakeANewTimeStamp)
{
    const EvtData_Move_Actor move(12, SampleMatrix());
    const SharedEventData copy = move.Copy();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetEventType(), EvtData_Move_Actor::s_eventType);
    const auto& moveCopy = dynamic_cast<const EvtData_Move_Actor&>(*copy);
    EXPECT_EQ(moveCopy.GetActorId(), 12u);
    EXPECT_EQ(moveCopy.GetTransform(), SampleMatrix());
    EXPECT_GE(copy->GetTimeStamp(), move.GetTimeStamp());

    const auto newActor = std::dynamic_pointer_cast<EvtData_New_Actor>(EvtData_New_Actor(3, 0xFFFFFFFF).Copy());
    ASSERT_TRUE(newActor);
    EXPECT_EQ(newActor->GetActorId(), 3u);
    EXPECT_EQ(newActor->GetSecondaryId(), 0xFFFFFFFFu);

    const auto modified =
        std::dynamic_pointer_cast<EvtData_Modified_Render_Component>(EvtData_Modified_Render_Component(8).Copy());
    ASSERT_TRUE(modified);
    EXPECT_EQ(modified->GetActorId(), 8u);
    const auto destroy = std::dynamic_pointer_cast<EvtData_Destroy_Actor>(EvtData_Destroy_Actor(9).Copy());
    ASSERT_TRUE(destroy);
    EXPECT_EQ(destroy->GetActorId(), 9u);
}

TEST(EventCopy, RequestNewActorCopiesItsMatrixOnlyWhenItHasOne)
{
    const Matrix4x4 matrix = SampleMatrix();
    const auto with =
        std::dynamic_pointer_cast<EvtData_Request_New_Actor>(EvtData_Request_New_Actor("a.xml", &matrix, 3).Copy());
    ASSERT_TRUE(with);
    EXPECT_TRUE(with->HasTransform());
    EXPECT_EQ(with->GetTransform(), matrix);
    EXPECT_EQ(with->GetResource(), "a.xml");

    const auto without =
        std::dynamic_pointer_cast<EvtData_Request_New_Actor>(EvtData_Request_New_Actor("b.xml", nullptr, 4).Copy());
    ASSERT_TRUE(without);
    EXPECT_FALSE(without->HasTransform());
    EXPECT_EQ(without->GetActorId(), 4u);
}

TEST(EventCopy, NewRenderComponentCopySharesTheSameNode)
{
    const auto owner = std::make_shared<int>(0);
    const EvtData_New_Render_Component event(6, StandInNode(owner));
    const auto copy = std::dynamic_pointer_cast<EvtData_New_Render_Component>(event.Copy());
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->GetActorId(), 6u);
    EXPECT_EQ(copy->GetSceneNode(), event.GetSceneNode());
    EXPECT_EQ(owner.use_count(), 3) << "the node is shared by the test, the event and its copy";
}

TEST(EventTimeStamp, StampsDoNotDecreaseInCreationOrder)
{
    const EvtData_Destroy_Actor first(1);
    const EvtData_Destroy_Actor second(2);
    EXPECT_LE(first.GetTimeStamp(), second.GetTimeStamp());
    EXPECT_LE(second.GetTimeStamp().time_since_epoch(), std::chrono::steady_clock::now().time_since_epoch());
}
