#pragma once
// The plug-in live on a JACK server: a client with two audio inputs and two
// outputs whose process callback renders through the hosted unit. The
// unit's latency is reported to the server on both paths, so the server's
// latency compensation (and any DAW connected to it) can line up the
// delayed output.
#include <jack/jack.h>

#include <atomic>
#include <string>
#include <vector>

#include "tools/auhost/AUHost.h"
#include "tools/corvane/LoopingFile.h"

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
  // server goes away.
  bool Start(AUHost* unit, LoopingFile* file, std::atomic<bool>* stopOnShutdown, std::string* error);
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

  jack_client_t* mClient = nullptr;
  jack_port_t* mIn[2] = {};
  jack_port_t* mOut[2] = {};
  AUHost* mUnit = nullptr;
  LoopingFile* mFile = nullptr;
  std::vector<float> mFileBuffer[2];
  jack_nframes_t mLatency = 0;
  std::atomic<bool> mServerGone{false};
  std::atomic<bool>* mStopOnShutdown = nullptr;
};
