#pragma once
// The plug-in live on a JACK server: a client with two audio inputs and two
// outputs whose process callback renders through the hosted unit, and, for
// split outputs, four more that carry the transient and the residual part
// of each rendered block (as the plug-in keeps them, Corvane::KeepParts).
// The unit's latency is reported to the server on every path, so the
// server's latency compensation (and any DAW connected to it) can line up
// the delayed outputs.
#include <jack/jack.h>

#include <atomic>
#include <string>
#include <vector>

#include "tools/auhost/AUHost.h"
#include "tools/corvane/LoopingFile.h"

class Corvane;

class JackSession {
public:
  enum class OpenResult { kOk, kNoServer, kFailed };

  JackSession() = default;
  ~JackSession();  // closes the client
  JackSession(const JackSession&) = delete;
  JackSession& operator=(const JackSession&) = delete;

  // Connects to a running server as a client named clientName (the server
  // may make the name unique); never starts a server.
  OpenResult Open(const std::string& clientName, std::string* error);
  int SampleRate() const;
  std::string ClientName() const;

  // Registers the ports and starts processing through unit (open for two
  // channels; it must outlive the session). With a file, the file plays in a
  // loop in place of the inputs. stopOnShutdown (optional) is set when the
  // server goes away. parts (optional): the unit's plug-in, keeping its
  // parts; the session then also has the ports transient_l, transient_r,
  // residual_l and residual_r.
  bool Start(AUHost* unit, LoopingFile* file, std::atomic<bool>* stopOnShutdown, std::string* error,
             const Corvane* parts = nullptr);
  // Connects the inputs to the first two physical capture ports and the
  // outputs to the first two physical playback ports; a mono device feeds
  // and hears both channels. *report says what was connected.
  bool ConnectToSystem(std::string* report, std::string* error);
  // True once the server has shut the client down.
  bool ServerGone() const { return mServerGone.load(); }
  // Stops processing and leaves the server.
  void Close();

private:
  static int OnProcess(jack_nframes_t nFrames, void* arg);
  static void OnLatency(jack_latency_callback_mode_t mode, void* arg);
  static void OnShutdown(void* arg);
  void Process(jack_nframes_t nFrames);
  void ReportLatency(jack_latency_callback_mode_t mode);
  bool RegisterPorts(std::string* error);
  // Process thread: the parts of the block just rendered into the part ports.
  void CopyParts(float* const* target, jack_nframes_t n, bool rendered);

  jack_client_t* mClient = nullptr;
  jack_port_t* mIn[2] = {};
  jack_port_t* mOut[2] = {};
  jack_port_t* mPartOut[4] = {};  // transient L/R, residual L/R; null without split outputs
  const Corvane* mParts = nullptr;
  AUHost* mUnit = nullptr;
  LoopingFile* mFile = nullptr;
  std::vector<float> mFileBuffer[2];
  jack_nframes_t mLatency = 0;
  std::atomic<bool> mServerGone{false};
  std::atomic<bool>* mStopOnShutdown = nullptr;
};
