#pragma once
// Ending the program after a fatal message.  The real one exits the process at once;
// tests observe the call instead.  Callers return right after calling end().

class ProgramEnd {
public:
    virtual ~ProgramEnd() = default;
    virtual void end(int exitCode) = 0;
};

class ExitProgramEnd final : public ProgramEnd {
public:
    void end(int exitCode) override;
};
