#!/usr/bin/python3
"""Converts the person-segmentation and face-detection TFLite models into ONNX graphs that OpenCV's
dnn module reads.

The TFLite flatbuffer is read by field index, so no schema package is needed; only the operators
those models use are translated. The ONNX graph is NCHW inside (input [1,3,H,W] RGB as the model
expects it), written for OpenCV 4.6's importer: Clip bounds as attributes, weights in 32-bit floats,
the custom transposed convolution as ConvTranspose plus bias, channel padding as Pad. A reshape of
an NHWC map into rows (the face detector's [1,anchors,values] outputs) keeps the TFLite layout: the
map is transposed back to NHWC first. Outputs keep their TFLite names.

Usage: tflite_to_onnx.py model.tflite out.onnx
"""
import struct
import sys

import numpy as np
import onnx
from onnx import helper, numpy_helper, TensorProto


class Table:
    """One flatbuffer table: fields are read by their index in the schema."""

    def __init__(self, buf, pos):
        self.buf, self.pos = buf, pos
        self.vt = pos - struct.unpack_from('<i', buf, pos)[0]
        self.vtlen = struct.unpack_from('<H', buf, self.vt)[0]

    def _field(self, i):
        o = 4 + 2 * i
        if o >= self.vtlen:
            return 0
        return struct.unpack_from('<H', self.buf, self.vt + o)[0]

    def scalar(self, i, fmt, default=0):
        o = self._field(i)
        return struct.unpack_from('<' + fmt, self.buf, self.pos + o)[0] if o else default

    def _ref(self, i):
        o = self._field(i)
        if not o:
            return None
        p = self.pos + o
        return p + struct.unpack_from('<I', self.buf, p)[0]

    def table(self, i):
        p = self._ref(i)
        return Table(self.buf, p) if p is not None else None

    def vector(self, i, fmt):
        p = self._ref(i)
        if p is None:
            return []
        n = struct.unpack_from('<I', self.buf, p)[0]
        return list(struct.unpack_from('<%d%s' % (n, fmt), self.buf, p + 4))

    def bytes(self, i):
        p = self._ref(i)
        if p is None:
            return b''
        n = struct.unpack_from('<I', self.buf, p)[0]
        return bytes(self.buf[p + 4:p + 4 + n])

    def string(self, i):
        return self.bytes(i).decode('utf-8')

    def tables(self, i):
        p = self._ref(i)
        if p is None:
            return []
        n = struct.unpack_from('<I', self.buf, p)[0]
        out = []
        for k in range(n):
            e = p + 4 + 4 * k
            out.append(Table(self.buf, e + struct.unpack_from('<I', self.buf, e)[0]))
        return out


OPS = {0: 'ADD', 1: 'AVERAGE_POOL_2D', 2: 'CONCATENATION', 3: 'CONV_2D', 4: 'DEPTHWISE_CONV_2D', 6: 'DEQUANTIZE',
       14: 'LOGISTIC', 17: 'MAX_POOL_2D', 18: 'MUL', 19: 'RELU', 21: 'RELU6', 22: 'RESHAPE',
       23: 'RESIZE_BILINEAR', 32: 'CUSTOM', 34: 'PAD', 40: 'MEAN', 54: 'PRELU', 117: 'HARD_SWISH'}


def load(path):
    buf = open(path, 'rb').read()
    model = Table(buf, struct.unpack_from('<I', buf, 0)[0])
    codes = []
    for oc in model.tables(1):
        code = max(oc.scalar(0, 'b'), oc.scalar(3, 'i'))
        codes.append(oc.string(1) if code == 32 else OPS.get(code, 'op%d' % code))
    buffers = [b.bytes(0) for b in model.tables(4)]
    sg = model.tables(2)[0]
    tensors = []
    for t in sg.tables(0):
        tensors.append({'shape': t.vector(0, 'i'), 'type': t.scalar(1, 'b'), 'buffer': t.scalar(2, 'I'),
                        'name': t.string(3)})
    ops = []
    for op in sg.tables(3):
        ops.append({'op': codes[op.scalar(0, 'I')], 'in': op.vector(1, 'i'), 'out': op.vector(2, 'i'),
                    'opt': op.table(4), 'custom': op.bytes(5)})
    return tensors, buffers, ops, sg.vector(1, 'i'), sg.vector(2, 'i')



def nchw(shape):
    return [shape[0], shape[3], shape[1], shape[2]] if len(shape) == 4 else list(shape)


def same_pads(size, k, s, d=1):
    out = -(-size // s)
    total = max((out - 1) * s + (k - 1) * d + 1 - size, 0)
    return total // 2, total - total // 2


def convert(tflite_path, onnx_path):
    tensors, buffers, ops, inputs, outputs = load(tflite_path)
    consts = {}

    def const(i):
        if i in consts:
            return consts[i]
        t = tensors[i]
        data = buffers[t['buffer']] if t['buffer'] < len(buffers) else b''
        if not data:
            return None
        dtype = {0: np.float32, 1: np.float16, 2: np.int32}[t['type']]
        arr = np.frombuffer(data, dtype=dtype).reshape(t['shape']).astype(np.float32 if t['type'] < 2 else np.int32)
        consts[i] = arr
        return arr

    nodes, inits = [], []
    names = {}
    counter = [0]

    def name(i):
        return names.setdefault(i, 't%d' % i)

    def fresh(prefix):
        counter[0] += 1
        return '%s_%d' % (prefix, counter[0])

    def init(arr, prefix='w'):
        n = fresh(prefix)
        inits.append(numpy_helper.from_array(np.ascontiguousarray(arr), n))
        return n

    def act(out_name, fused, src):
        # Fused activation after the op: NONE=0, RELU=1, RELU6=3.
        if fused == 0:
            return src
        if fused == 1:
            nodes.append(helper.make_node('Relu', [src], [out_name]))
        elif fused == 3:
            nodes.append(helper.make_node('Clip', [src], [out_name], min=0.0, max=6.0))
        else:
            raise SystemExit('unsupported fused activation %d' % fused)
        return out_name

    for op in ops:
        kind, ins, outs, opt = op['op'], op['in'], op['out'], op['opt']
        out = name(outs[0])
        if kind == 'DEQUANTIZE':
            consts[outs[0]] = const(ins[0]).astype(np.float32)
            continue
        if kind in ('CONV_2D', 'DEPTHWISE_CONV_2D'):
            x, w, b = ins
            wt = const(w)
            in_shape = tensors[x]['shape']
            if kind == 'CONV_2D':
                padding, sw, sh, fused = opt.scalar(0, 'b'), opt.scalar(1, 'i'), opt.scalar(2, 'i'), opt.scalar(3, 'b')
                dw, dh = opt.scalar(4, 'i', 1), opt.scalar(5, 'i', 1)
                weight, group = wt.transpose(0, 3, 1, 2), 1
            else:
                padding, sw, sh, fused = opt.scalar(0, 'b'), opt.scalar(1, 'i'), opt.scalar(2, 'i'), opt.scalar(4, 'b')
                dw, dh = opt.scalar(5, 'i', 1), opt.scalar(6, 'i', 1)
                weight = wt.transpose(3, 0, 1, 2)
                group = weight.shape[0]
            kh, kw = weight.shape[2], weight.shape[3]
            if padding == 0:
                ph, pw = same_pads(in_shape[1], kh, sh, dh), same_pads(in_shape[2], kw, sw, dw)
            else:
                ph, pw = (0, 0), (0, 0)
            conv_out = fresh('conv') if fused else out
            nodes.append(helper.make_node('Conv', [name(x), init(weight), init(const(b))], [conv_out],
                                          kernel_shape=[kh, kw], strides=[sh, sw], dilations=[dh, dw],
                                          pads=[ph[0], pw[0], ph[1], pw[1]], group=group))
            act(out, fused, conv_out)
        elif kind == 'Convolution2DTransposeBias':
            # Custom options hold the raw parameter struct: padding (1 same, 2 valid), stride w, stride h.
            padding, sw, sh = struct.unpack_from('<iii', op['custom'], 0)
            x, w, b = ins
            weight = const(w).transpose(3, 0, 1, 2)  # [O,kH,kW,I] -> [I,O,kH,kW]
            kh, kw = weight.shape[2], weight.shape[3]
            in_shape, out_shape = tensors[x]['shape'], tensors[outs[0]]['shape']
            th = max(sh * (in_shape[1] - 1) + kh - out_shape[1], 0)
            tw = max(sw * (in_shape[2] - 1) + kw - out_shape[2], 0)
            nodes.append(helper.make_node('ConvTranspose', [name(x), init(weight), init(const(b))], [out],
                                          kernel_shape=[kh, kw], strides=[sh, sw],
                                          pads=[th // 2, tw // 2, th - th // 2, tw - tw // 2]))
        elif kind == 'HARD_SWISH':
            # x * clip(x + 3, 0, 6) / 6, spelled with the operators the importer knows.
            a, c, m = fresh('hs'), fresh('hs'), fresh('hs')
            nodes.append(helper.make_node('Add', [name(ins[0]), init(np.array(3.0, np.float32), 'k')], [a]))
            nodes.append(helper.make_node('Clip', [a], [c], min=0.0, max=6.0))
            nodes.append(helper.make_node('Mul', [c, init(np.array(1.0 / 6.0, np.float32), 'k')], [m]))
            nodes.append(helper.make_node('Mul', [name(ins[0]), m], [out]))
        elif kind == 'RELU':
            nodes.append(helper.make_node('Relu', [name(ins[0])], [out]))
        elif kind == 'LOGISTIC':
            nodes.append(helper.make_node('Sigmoid', [name(ins[0])], [out]))
        elif kind in ('ADD', 'MUL'):
            fused = opt.scalar(0, 'b') if opt is not None else 0
            args = []
            for i in ins:
                c = const(i)
                if c is None:
                    args.append(name(i))
                else:
                    args.append(init(c.reshape(-1, 1, 1) if c.ndim >= 1 and c.size > 1 else c.reshape([])))
            res = fresh('elt') if fused else out
            nodes.append(helper.make_node('Add' if kind == 'ADD' else 'Mul', args, [res]))
            act(out, fused, res)
        elif kind == 'MAX_POOL_2D':
            padding, sw, sh = opt.scalar(0, 'b'), opt.scalar(1, 'i'), opt.scalar(2, 'i')
            fw, fh, fused = opt.scalar(3, 'i'), opt.scalar(4, 'i'), opt.scalar(5, 'b')
            if fused:
                raise SystemExit('fused activation after max pooling is not supported')
            in_shape = tensors[ins[0]]['shape']
            if padding == 0:
                ph, pw = same_pads(in_shape[1], fh, sh), same_pads(in_shape[2], fw, sw)
            else:
                ph, pw = (0, 0), (0, 0)
            nodes.append(helper.make_node('MaxPool', [name(ins[0])], [out], kernel_shape=[fh, fw], strides=[sh, sw],
                                          pads=[ph[0], pw[0], ph[1], pw[1]]))
        elif kind == 'PAD':
            # Paddings per NHWC axis as (before, after) rows; ONNX wants all befores, then all afters.
            pads = const(ins[1]).reshape(-1, 2)
            if len(pads) != 4:
                raise SystemExit('only 4-D padding is supported')
            order = [0, 3, 1, 2]
            onnx_pads = [int(pads[a][0]) for a in order] + [int(pads[a][1]) for a in order]
            nodes.append(helper.make_node('Pad', [name(ins[0]), init(np.array(onnx_pads, np.int64), 'pads')], [out],
                                          mode='constant'))
        elif kind == 'RESHAPE':
            in_shape, out_shape = tensors[ins[0]]['shape'], tensors[outs[0]]['shape']
            src = name(ins[0])
            if len(in_shape) == 4:
                src = fresh('nhwc')
                nodes.append(helper.make_node('Transpose', [name(ins[0])], [src], perm=[0, 2, 3, 1]))
            nodes.append(helper.make_node('Reshape', [src, init(np.array(out_shape, np.int64), 'shape')], [out]))
        elif kind == 'AVERAGE_POOL_2D':
            in_shape, out_shape = tensors[ins[0]]['shape'], tensors[outs[0]]['shape']
            fused = opt.scalar(5, 'b')
            if out_shape[1] != 1 or out_shape[2] != 1 or fused:
                raise SystemExit('only global average pooling is supported')
            nodes.append(helper.make_node('GlobalAveragePool', [name(ins[0])], [out]))
        elif kind == 'RESIZE_BILINEAR':
            align, half = opt.scalar(2, 'b'), opt.scalar(3, 'b')
            in_shape, out_shape = tensors[ins[0]]['shape'], tensors[outs[0]]['shape']
            scales = np.array([1, 1, out_shape[1] / in_shape[1], out_shape[2] / in_shape[2]], np.float32)
            mode = 'align_corners' if align else ('half_pixel' if half else 'asymmetric')
            nodes.append(helper.make_node('Resize', [name(ins[0]), init(np.zeros(0, np.float32), 'roi'),
                                                     init(scales, 'scales')], [out],
                                          mode='linear', coordinate_transformation_mode=mode))
        else:
            raise SystemExit('unsupported operator ' + kind)

    (inp,) = inputs
    # Outputs under their TFLite names, so a caller can tell several apart.
    for o in outputs:
        if tensors[o]['name']:
            nodes.append(helper.make_node('Identity', [name(o)], [tensors[o]['name']]))
    outs = [helper.make_tensor_value_info(tensors[o]['name'] or name(o), TensorProto.FLOAT,
                                          nchw(tensors[o]['shape']) if len(tensors[o]['shape']) == 4
                                          else tensors[o]['shape'])
            for o in outputs]
    graph = helper.make_graph(
        nodes, 'converted',
        [helper.make_tensor_value_info(name(inp), TensorProto.FLOAT, nchw(tensors[inp]['shape']))],
        outs, inits)
    model = helper.make_model(graph, producer_name='tflite_to_onnx', opset_imports=[helper.make_opsetid('', 11)])
    onnx.save(model, onnx_path)


if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    convert(sys.argv[1], sys.argv[2])
