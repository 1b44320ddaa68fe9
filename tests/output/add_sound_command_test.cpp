#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

#include "output/addsound.h"
#include "app/project_fixture.h"
#include "output_fixture.h"

class SoundCommand : public TOutputTest {};

// The dialog's OK can make the project modified, never unmodified; Cancel stores nothing.
TEST_F(SoundCommand, OkWithAChangeModifiesTheProjectAndNothingElseChangesIt)
{
    struct TCase {
        const char* Name;
        std::function<void(TFormAddSound&)> Edit;
        bool Ok;
        bool ModifiedAfter[2]; // starting unmodified, starting modified
    };
    const TCase cases[] = {
        {"sound ticked", [](TFormAddSound& d) { d.CheckBox1->setChecked(true); }, true, {true, true}},
        {"other file", [](TFormAddSound& d) { d.Edit1->setText("/snd/b.wav"); }, true, {true, true}},
        {"letter case only", [](TFormAddSound& d) { d.Edit1->setText("/SND/A.WAV"); }, true, {false, true}},
        {"no change", [](TFormAddSound&) {}, true, {false, true}},
        {"cancelled change", [](TFormAddSound& d) { d.CheckBox1->setChecked(true); }, false, {false, true}},
    };
    TOutputForm& form = Form();
    for (const TCase& c : cases)
        for (const bool modified : {false, true}) {
            SCOPED_TRACE(std::string(c.Name) + (modified ? ", modified before" : ""));
            form.AddSound = false;
            form.WavFile = "/snd/a.wav";
            form.SetProjectModified(modified);
            form.OptionsChanged = true;
            desktop_.ModalDialogs.Answer<TFormAddSound>([&](TFormAddSound& dialog) {
                EXPECT_EQ(dialog.parentWidget(), &form) << "it opens over the window";
                c.Edit(dialog);
                (c.Ok ? dialog.Button1 : dialog.Button2)->click();
            });
            form.ActionInsertWav->setEnabled(true);
            form.ActionInsertWav->trigger();
            ASSERT_EQ(desktop_.ModalDialogs.Shown.back().ClassName, "TFormAddSound");
            EXPECT_EQ(form.ProjectModified(), c.ModifiedAfter[modified]);
            EXPECT_FALSE(form.OptionsChanged);
            if (!c.Ok) {
                EXPECT_FALSE(form.AddSound);
            }
        }
}

class SoundCommandInProject : public TProjectTest {};

// Sound belongs to AVI output, yet the command does not ask which type the project has.
TEST_F(SoundCommandInProject, EnabledOnceAProjectExistsWhateverItsType)
{
    struct TCase {
        const char* Name;
        std::function<void()> Make;
    };
    const TCase cases[] = {
        {"new AVI project", [this] { NewProject(8, 6, 0); }},
        {"new GIF project", [this] { NewProject(8, 6, 1); }},
        {"opened GIF project",
         [this] {
             Form().ReadProjectFile(WriteText("g.mcp", "[Parameters]\nWidth=8\nHeight=6\nType=1\n[Files]\n"));
         }},
        {"opened project of an unknown type",
         [this] {
             Form().ReadProjectFile(WriteText("u.mcp", "[Parameters]\nWidth=8\nHeight=6\nType=5\n[Files]\n"));
         }},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        form_ = std::make_unique<TAVIForm>();
        EXPECT_FALSE(Form().ActionInsertWav->isEnabled());
        c.Make();
        EXPECT_TRUE(Form().ActionInsertWav->isEnabled());
    }
}
