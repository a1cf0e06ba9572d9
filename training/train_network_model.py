#!/usr/bin/env python3
"""Trains the network model (engine/network_model.h) on synthetic writing and writes its file.

usage: train_network_model.py SETTINGS STREAMER DATA_DIR OUTPUT
       train_network_model.py --fingerprint SETTINGS

SETTINGS is the recipe (network-model.conf). STREAMER is the native build's
stream_plane_samples, which writes fresh samples of the recipe's writing on the other core while
this trains; nothing is stored. Progress goes to stderr. A checkpoint is kept beside OUTPUT after
every pass, so an interrupted run goes on where it stopped (the same command again) and ends
with the same weights as a run never interrupted. --fingerprint prints the recipe's hash (of the
recipe and the files of the repository it names), as the checkpoint and the provenance record it.
"""
import hashlib
import os
import queue
import random
import struct
import subprocess
import sys
import threading
import time

import numpy as np
import torch
from torch import nn

MAGIC = b"HWNETMD1"
VERSION = 1
PLANES, CELLS = 16, 32


def say(text):
    print(f"[network] {text}", file=sys.stderr, flush=True)


def read_settings(path):
    settings = {}
    for number, line in enumerate(open(path, encoding="utf-8"), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        if "=" not in line:
            sys.exit(f"{path}:{number}: expected name = value")
        name, value = (part.strip() for part in line.split("=", 1))
        settings[name] = value
    return settings


def recipe_files(settings_path, settings):
    """The recipe and the files it names that shape the model: the hands' recipes and the
    cursive components' forms they write with, the symbols' shapes and frequencies, the
    compositions of characters the centre lines lack (the word counts and the traditional forms'
    mapping are Debian's, recorded by their packages' versions)."""
    here = os.path.dirname(os.path.abspath(settings_path))
    files = [os.path.abspath(settings_path)]
    for recipe in settings["recipes"].split():
        recipe_path = os.path.join(here, recipe.split("@", 1)[0])
        files.append(recipe_path)
        forms = read_settings(recipe_path).get("cursive_components")
        if forms:
            files.append(os.path.join(os.path.dirname(recipe_path), forms))
    for named in settings["characters"].split("+")[1:]:  # the symbols' shapes, the compositions
        files.append(os.path.join(here, named))
    if settings.get("symbol_frequencies"):
        files.append(os.path.join(here, settings["symbol_frequencies"]))
    return list(dict.fromkeys(files))


def fingerprint(settings_path, settings):
    digest = hashlib.sha256()
    for path in recipe_files(settings_path, settings):
        with open(path, "rb") as f:
            content = f.read()
        digest.update(os.path.basename(path).encode() + b"\0" + content + b"\0")
    return "sha256:" + digest.hexdigest()


LEFT_OUT = 0xFFFF  # the class of the streamer's record that holds no sample


class Stream:
    """Batches of (classes, geometry, cells) from the streamer, read on a thread of their own,
    each with the stream's place after it: how many items of the passes' orders come before it,
    the left-out ones included, from the start of the training. The streamer starts at
    `first_item` of `first_pass`, where a checkpoint stopped."""

    def __init__(self, command, cwd, batch, items_per_character, first_pass, first_item):
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, cwd=cwd, bufsize=1 << 24)
        out = self.process.stdout
        head = out.read(20)
        if head[:8] != b"HWPLANE1":
            sys.exit("the sample streamer wrote no samples (see its message above)")
        classes, cells, planes = struct.unpack("<III", head[8:20])
        if (cells, planes) != (CELLS, PLANES):
            sys.exit(f"the streamer writes {planes} planes of {cells}, not {PLANES} of {CELLS}")
        self.characters = [out.read(out.read(1)[0]).decode("utf-8") for _ in range(classes)]
        self.per_pass = classes * items_per_character
        self.record = 2 + 4 + CELLS * CELLS * PLANES
        self.batch = batch
        self.first_item = first_pass * self.per_pass + first_item
        self.queue = queue.Queue(maxsize=32)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        pending, have, item = [], 0, self.first_item
        while True:
            data = self.process.stdout.read(self.record * self.batch)
            count = len(data) // self.record
            if count == 0:
                self.queue.put(None)
                return
            rows = np.frombuffer(data, dtype=np.uint8, count=count * self.record)
            rows = rows.reshape(count, self.record)
            kept = np.flatnonzero(labels_of(rows) != LEFT_OUT)
            at = 0
            while at < len(kept):
                take = min(self.batch - have, len(kept) - at)
                pending.append(rows[kept[at:at + take]])
                have += take
                at += take
                if have == self.batch:
                    batch = np.concatenate(pending)
                    pending, have = [], 0
                    place = item + int(kept[at - 1]) + 1
                    self.queue.put((place, labels_of(batch), batch[:, 2:6].copy(),
                                    batch[:, 6:].copy()))
            item += count

    def next(self):
        """The next batch and the stream's place after it; None at the stream's end."""
        return self.queue.get()

    def close(self):
        self.process.kill()


def labels_of(rows):
    return rows[:, 0].astype(np.int64) | (rows[:, 1].astype(np.int64) << 8)


def network_input(cells):
    """The streamer's cells (64ths of a unit) as the service feeds them: square rooted."""
    x = torch.from_numpy(cells).float().view(-1, PLANES, CELLS, CELLS) / 64.0
    return torch.sqrt(x).contiguous(memory_format=torch.channels_last)


GEOMETRY = 4


class Network(nn.Module):
    """Convolutions over the planes; then, flattened, the writing's size and place on the pad
    appended (so a small circle low on the pad can be 。 and a large one 0); then dense layers."""

    def __init__(self, classes, channels, hidden, dropout):
        super().__init__()

        def convolution(inputs, outputs):
            return [nn.Conv2d(inputs, outputs, 3, padding=1, bias=False),
                    nn.BatchNorm2d(outputs), nn.ReLU(inplace=True)]

        c1, c2, c3, c4 = channels
        side = CELLS // 8
        self.body = nn.Sequential(
            *convolution(PLANES, c1), nn.MaxPool2d(2),
            *convolution(c1, c2), nn.MaxPool2d(2),
            *convolution(c2, c3), *convolution(c3, c3), nn.MaxPool2d(2),
            *convolution(c3, c4), nn.Flatten())
        self.flat = c4 * side * side
        self.head = nn.Sequential(
            nn.Linear(self.flat + GEOMETRY, hidden, bias=False), nn.BatchNorm1d(hidden),
            nn.ReLU(inplace=True), nn.Dropout(dropout),
            nn.Linear(hidden, classes))

    def forward(self, planes, geometry):
        return self.head(torch.cat([self.body(planes), geometry], dim=1))


def geometry_input(raw):
    return torch.from_numpy(raw).float() / 255.0


def folded_layers(network):
    """The layers as the service runs them: batch normalisation folded into the weights before
    it, weights as 8-bit integers with a scale per output."""
    layers = fold(list(network.body), PLANES)
    layers.append((4, network.flat, network.flat + GEOMETRY, False, None, None, None))
    return layers + fold(list(network.head), network.flat + GEOMETRY)


def fold(modules, channels):
    layers, at = [], 0
    while at < len(modules):
        module = modules[at]
        at += 1
        if isinstance(module, nn.MaxPool2d):
            layers.append((2, channels, channels, False, None, None, None))
            continue
        if not isinstance(module, (nn.Conv2d, nn.Linear)):
            continue
        weights = module.weight.detach().double().numpy().copy()
        biases = (module.bias.detach().double().numpy().copy() if module.bias is not None
                  else np.zeros(weights.shape[0]))
        if at < len(modules) and isinstance(modules[at], (nn.BatchNorm2d, nn.BatchNorm1d)):
            norm = modules[at]
            at += 1
            scale = norm.weight.detach().double().numpy() / np.sqrt(
                norm.running_var.double().numpy() + norm.eps)
            weights *= scale.reshape((-1,) + (1,) * (weights.ndim - 1))
            biases = (biases - norm.running_mean.double().numpy()) * scale + \
                norm.bias.detach().double().numpy()
        rectify = False
        while at < len(modules) and isinstance(modules[at], (nn.ReLU, nn.Dropout)):
            rectify = rectify or isinstance(modules[at], nn.ReLU)
            at += 1
        weights = weights.reshape(weights.shape[0], -1)
        scales = np.abs(weights).max(axis=1) / 127.0
        scales[scales == 0] = 1e-12
        quantized = np.clip(np.round(weights / scales[:, None]), -127, 127).astype(np.int8)
        kind = 1 if isinstance(module, nn.Conv2d) else 3
        inputs = module.in_channels if kind == 1 else module.in_features
        layers.append((kind, inputs, weights.shape[0], rectify, quantized,
                       scales.astype(np.float32), biases.astype(np.float32)))
        channels = weights.shape[0]
    return layers


def run_folded(layers, planes, geometry):
    """The folded network's scores for one sample's planes (lengths) and geometry, as the
    service computes them."""
    x = np.sqrt(np.minimum(np.round(planes * 64), 255) / 64).astype(np.float32)
    x = torch.from_numpy(x.reshape(1, PLANES, CELLS, CELLS))
    for kind, inputs, outputs, rectify, quantized, scales, biases in layers:
        if kind == 2:
            x = nn.functional.max_pool2d(x, 2)
            continue
        if kind == 4:
            x = torch.cat([x.reshape(1, -1), geometry_input(geometry.reshape(1, -1))], dim=1)
            continue
        weights = torch.from_numpy(quantized.astype(np.float32) * scales[:, None])
        if kind == 1:
            x = nn.functional.conv2d(x, weights.view(outputs, inputs, 3, 3),
                                     torch.from_numpy(biases), padding=1)
        else:
            x = x.reshape(1, -1) @ weights.T + torch.from_numpy(biases)
        if rectify:
            x = torch.relu(x)
    return x.reshape(-1).numpy()


def write_model(path, network, characters, check_sample, check_geometry):
    layers = folded_layers(network)
    out = bytearray(MAGIC)
    out += struct.pack("<IIIII", VERSION, PLANES, CELLS, len(characters), len(layers))
    for c in characters:
        encoded = c.encode("utf-8")
        out += bytes([len(encoded)]) + encoded
    out += struct.pack("<Bfff", 0, 0.0, 1.0, 1.0)  # no prior: attach_network_prior adds it
    for kind, inputs, outputs, rectify, quantized, scales, biases in layers:
        out += struct.pack("<BIIB", kind, inputs, outputs, int(rectify))
        if kind in (1, 3):
            out += quantized.tobytes() + scales.tobytes() + biases.tobytes()
    out += check_sample.astype(np.float32).tobytes() + check_geometry.astype(np.uint8).tobytes()
    out += run_folded(layers, check_sample, check_geometry).astype(np.float32).tobytes()
    temporary = path + ".part"
    with open(temporary, "wb") as f:
        f.write(out)
    os.replace(temporary, path)


def load_checkpoint(path):
    try:
        return torch.load(path, weights_only=False)
    except TypeError:  # a PyTorch older than 1.13 loads everything anyway
        return torch.load(path)


def save_checkpoint(path, content):
    temporary = path + ".part"
    torch.save(content, temporary)
    os.replace(temporary, path)  # never half a checkpoint, however the run is stopped


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--fingerprint":
        print(fingerprint(sys.argv[2], read_settings(sys.argv[2])))
        return
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    settings_path, streamer, data_dir, output = (os.path.abspath(a) for a in sys.argv[1:])
    s = read_settings(settings_path)
    recipe = fingerprint(settings_path, s)
    recipes = s["recipes"].split()
    passes, samples = int(s["passes"]), int(s["samples_per_pass"])
    batch = int(s["batch"])
    seed = int(s["seed"])
    torch.manual_seed(seed)
    random.seed(seed)
    np.random.seed(seed)
    torch.set_num_threads(int(s.get("threads", "2")))
    # What the streamer writes in a pass follows from these and the pass's number alone.
    streamer_settings = [s["characters"], str(samples)] + recipes

    checkpoint_path = output + ".checkpoint"
    checkpoint = load_checkpoint(checkpoint_path) if os.path.exists(checkpoint_path) else None
    if checkpoint and checkpoint.get("format") != 2:
        sys.exit(f"{checkpoint_path} was written by an earlier trainer, which kept no random "
                 "state: remove it to start the training over")
    if checkpoint and (checkpoint["recipe"], checkpoint["streamer"]) != (recipe, streamer_settings):
        sys.exit(f"{checkpoint_path} belongs to another recipe ({checkpoint['recipe']}, now "
                 f"{recipe}): put the recipe back as it was, or remove the checkpoint to start over")
    # Where the checkpoint's last batch ended: a pass, and an item of its order.
    first_pass, first_item = checkpoint["place"] if checkpoint else (0, 0)
    stream = Stream([streamer, data_dir, s["characters"], str(passes - first_pass),
                     f"{first_pass}:{first_item}", str(samples)] + recipes,
                    os.path.dirname(settings_path), batch, len(recipes) * samples, first_pass,
                    first_item)
    classes = len(stream.characters)
    per_pass = stream.per_pass
    steps_per_pass = per_pass // batch
    total_steps = steps_per_pass * passes
    if steps_per_pass == 0:
        sys.exit(f"a pass holds {per_pass} samples, fewer than a batch of {batch}")
    network = Network(classes, [int(c) for c in s["channels"].split()], int(s["hidden"]),
                      float(s["dropout"])).to(memory_format=torch.channels_last)
    # bfloat16 runs the convolutions and dense layers two to three times as fast where the
    # processor has bfloat16 instructions (AVX-512 BF16); the weights stay float, and the model
    # is made 8-bit anyway.
    precision = s.get("precision", "float32")
    if precision not in ("float32", "bfloat16"):
        sys.exit(f"precision = {precision}: float32 or bfloat16")
    optimiser = torch.optim.SGD(network.parameters(), lr=float(s["learning_rate"]), momentum=0.9,
                                nesterov=True, weight_decay=float(s["weight_decay"]))
    schedule = torch.optim.lr_scheduler.OneCycleLR(
        optimiser, max_lr=float(s["learning_rate"]), total_steps=total_steps + 1,
        pct_start=float(s["warm_up"]))
    step, running_loss, running_right = 0, 0.0, 0.0
    check_sample = check_geometry = None
    if checkpoint:
        network.load_state_dict(checkpoint["network"])
        optimiser.load_state_dict(checkpoint["optimiser"])
        schedule.load_state_dict(checkpoint["schedule"])
        # Dropout draws from torch's generator: where it stood, not where building the network
        # above left it.
        torch.set_rng_state(checkpoint["random"]["torch"])
        random.setstate(checkpoint["random"]["python"])
        np.random.set_state(checkpoint["random"]["numpy"])
        step = checkpoint["step"]
        running_loss, running_right = checkpoint["progress"]
        check_sample, check_geometry = checkpoint["check"]
        say(f"going on from step {step} of {total_steps}, in pass {first_pass + 1} of {passes}")
    loss_of = nn.CrossEntropyLoss(label_smoothing=float(s["label_smoothing"]))
    say(f"{classes} characters, {passes} passes of {per_pass} fresh samples "
        f"({len(recipes)} recipes, {samples} each), {total_steps} steps of {batch}")

    network.train()
    start, done_here = time.time(), 0
    while step < total_steps:
        item = stream.next()
        if item is None:
            break
        place, labels, geometry, cells = item
        if check_sample is None:
            check_sample = cells[0].astype(np.float32).reshape(PLANES, CELLS, CELLS) / 64.0
            check_geometry = geometry[0].copy()
        x, y = network_input(cells), torch.from_numpy(labels)
        with torch.cpu.amp.autocast(enabled=precision == "bfloat16", dtype=torch.bfloat16):
            scores = network(x, geometry_input(geometry)).float()
        loss = loss_of(scores, y)
        optimiser.zero_grad()
        loss.backward()
        optimiser.step()
        schedule.step()
        step += 1
        done_here += 1
        running_loss = 0.99 * running_loss + 0.01 * loss.item()
        running_right = 0.99 * running_right + 0.01 * (scores.argmax(1) == y).float().mean().item()
        if step % 500 == 0:
            elapsed = time.time() - start
            left = elapsed / done_here * (total_steps - step)
            say(f"step {step}/{total_steps} (pass {step // steps_per_pass + 1}): loss "
                f"{running_loss:.3f}, {100 * running_right:.1f} % right on the samples it is "
                f"learning; {elapsed / 60:.0f} min so far, about {left / 60:.0f} min to go")
        if step % steps_per_pass == 0 and step < total_steps:
            save_checkpoint(checkpoint_path, {
                "format": 2, "recipe": recipe, "streamer": streamer_settings,
                "place": divmod(place, per_pass), "step": step, "network": network.state_dict(),
                "optimiser": optimiser.state_dict(), "schedule": schedule.state_dict(),
                "random": {"torch": torch.get_rng_state(), "python": random.getstate(),
                           "numpy": np.random.get_state()},
                "progress": (running_loss, running_right), "check": (check_sample, check_geometry)})
    stream.close()
    if step < total_steps:
        sys.exit("the sample streamer stopped early; the same command goes on from the last "
                 "checkpoint" if os.path.exists(checkpoint_path) else
                 "the sample streamer stopped early")
    network.eval()
    write_model(output, network, stream.characters, check_sample, check_geometry)
    if os.path.exists(checkpoint_path):
        os.remove(checkpoint_path)
    say(f"wrote {output} ({os.path.getsize(output) / 1048576:.1f} MiB)")


if __name__ == "__main__":
    main()
