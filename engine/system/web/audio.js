// The game's sound output. The game mixes its sounds a little ahead of the
// output and sends the stereo frames here, where they play in order. When
// the output needs frames and none are left, it has run dry: the player
// hears a gap, and it is counted. The same queue serves an AudioWorklet
// (this file loaded as its module) and, in pages where the browser offers
// no worklets (not served over https nor from this machine), a
// ScriptProcessorNode of the page.
'use strict';

class FrameQueue {
  constructor() {
    this.blocks = [];  // Float32Arrays of interleaved left and right samples
    this.at = 0;       // frames of the first block already played
    this.fed = false;  // nothing to play before the first block is no gap
    this.dryRuns = 0;
  }

  push(block) {
    this.blocks.push(block);
    this.fed = true;
  }

  // Fills the two channels; true when the queue ran dry doing so.
  fill(left, right) {
    let i = 0;
    while (i < left.length && this.blocks.length > 0) {
      const block = this.blocks[0];
      const n = Math.min(left.length - i, block.length / 2 - this.at);
      for (let k = 2 * this.at, end = i + n; i < end; i++, k += 2) {
        left[i] = block[k];
        right[i] = block[k + 1];
      }
      this.at += n;
      if (2 * this.at === block.length) {
        this.blocks.shift();
        this.at = 0;
      }
    }
    left.fill(0, i);
    right.fill(0, i);
    if (i === left.length || !this.fed) return false;
    this.dryRuns++;
    return true;
  }
}

if (typeof registerProcessor === 'function') {
  registerProcessor('graze-output', class extends AudioWorkletProcessor {
    constructor() {
      super();
      this.queue = new FrameQueue();
      this.port.onmessage = event => this.queue.push(event.data);
    }

    process(inputs, outputs) {
      const [left, right] = outputs[0];
      if (this.queue.fill(left, right)) this.port.postMessage(this.queue.dryRuns);
      return true;
    }
  });
}
